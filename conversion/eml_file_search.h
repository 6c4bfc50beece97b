#pragma once

#include "filing/eml_search.h"
#include "framework/cstring.h"
#include "framework/cstring_array.h"

namespace mailvane::conversion {

// The program's form of the shared folder search (filing/eml_search.h):
// appends to files the full path of every file found, in the order found.
// A folder that cannot be read gives nothing, and so does an empty path.
// With SearchFailure::StopThatFolderOnly nothing is thrown: what was
// appended before a failure stays.
void CollectEmlFiles(const framework::CString& folder, framework::CStringArray& files,
                     const mailvane::filing::SearchOptions& options = {});

}  // namespace mailvane::conversion
