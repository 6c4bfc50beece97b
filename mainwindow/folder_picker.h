#pragma once

#include <windows.h>

#include "framework/cstring.h"

namespace mailvane::mainwindow {

// The shell's folder picker as both folder buttons open it: titled "Select
// the Destination Path", the whole namespace, new style with an edit box.
// False when the user cancels; otherwise path holds the chosen item's
// file-system path, empty for an item that has none (such as the computer).
bool PickFolder(HWND owner, framework::CString& path);

}  // namespace mailvane::mainwindow
