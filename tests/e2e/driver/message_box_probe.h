#pragma once

#include <windows.h>

#include <string>

namespace mailvane::e2e {

struct MessageBoxSeen {
    HWND window = nullptr;
    std::wstring caption;
    std::wstring text;
    explicit operator bool() const { return window != nullptr; }
};

// A message box of the process: a #32770 window with the message-text
// static (id 0xFFFF) and the icon static of the message-box template, which
// no dialog of the program has.
bool IsMessageBox(HWND window);
MessageBoxSeen WaitForMessageBox(DWORD processId);
// True when the process shows no message box now.
bool NoMessageBoxShown(DWORD processId);
// Clicks `buttonId` (IDOK, IDYES, IDNO) and waits until the box is gone.
bool Answer(const MessageBoxSeen& box, int buttonId);

}  // namespace mailvane::e2e
