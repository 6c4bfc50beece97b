#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace mailvane::e2e {

// The open-file dialog of the process (either the classic Explorer-style one
// or the item dialog); null when none appeared.
HWND WaitForOpenFileDialog(DWORD processId);
// Chooses `names` inside `folder` in one selection and confirms; true when
// the dialog closed.
bool ChooseFiles(HWND dialog, const std::wstring& folder, const std::vector<std::wstring>& names);
bool CancelDialog(HWND dialog);

// The shell's folder picker of the process.
HWND WaitForFolderPicker(DWORD processId);
// Selects `folder` in the picker's tree and confirms. The picker ignores a
// typed path, so the selection is sent as a message whose path lives in the
// program's memory.
bool ChooseFolder(HWND picker, const std::wstring& folder);
// Selects the shell's "My Computer" item, which has no file-system path.
bool ChooseMyComputer(HWND picker);

}  // namespace mailvane::e2e
