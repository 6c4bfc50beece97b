#pragma once

#include "framework/cstring.h"
#include "framework/cstring_array.h"

// What a search does with an error raised while it searches one folder.
enum class SearchErrors {
    Propagate,           // the main dialog's search: the error reaches the caller
    StopThatFolderOnly,  // the conversion run's: that folder's level stops, the rest goes on
};

// Appends to files the full path of every entry of folder that matches
// "*.eml" and is not a directory, in the order the file system returns them.
// With recurse set, a directory whose own name matches "*.eml" is searched
// the same way at the point where it is met (depth first); other
// directories are neither entered nor counted.
void CollectEmlFiles(const CString& folder, CStringArray& files, BOOL recurse,
                     SearchErrors errors = SearchErrors::Propagate);
