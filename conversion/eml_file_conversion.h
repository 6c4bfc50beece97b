#pragma once

#include "conversion/progress_link.h"
#include "framework/cstring.h"

namespace mailvane::conversion {

// The output file name of a source path: the part after its last "\" (the
// whole path when there is none), with every ".eml" in it, in any letter
// case, replaced by ".msg".
framework::CString MsgFileNameFor(const framework::CString& sourcePath);

// Converts one .eml file into destinationFolder\<MsgFileNameFor(sourcePath)>
// through RdoSession and shows the source path in the progress window.
// Reports nothing to the user; true when the message was imported and saved.
// Only a failure while deriving the name escapes (as an exception).
bool ConvertEmlFile(ProgressLink& progress, framework::CString sourcePath, framework::CString destinationFolder);

}  // namespace mailvane::conversion
