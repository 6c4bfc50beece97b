#pragma once

#include <windows.h>

// TRUE when path names an existing directory.
BOOL IsExistingFolder(LPCWSTR path);

// Creates every missing folder along path, level by level. One trailing "\"
// is ignored; a drive root and leading separators are stepped over. TRUE when
// the whole path exists at the end (or an error was raised inside), FALSE at
// the first level that can be neither found nor created.
BOOL EnsureFolderTree(LPCWSTR path);
