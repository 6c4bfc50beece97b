#pragma once

#include <windows.h>

#include <string>

namespace mailvane::filing {

// Gives the open `file` (opened with DELETE access) the name `target`, a
// whole path, replacing a file of that name only with `replace`:
// ERROR_ALREADY_EXISTS when one is there. Through the handle, nothing can
// open, move or remove the file between its writing and its new name, as a
// close followed by a move by name would allow.
DWORD RenameThroughHandle(HANDLE file, const std::wstring& target, bool replace);

}  // namespace mailvane::filing
