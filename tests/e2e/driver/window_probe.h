#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace mailvane::e2e {

// Reading windows of another process through messages that Windows
// marshals itself (window text, class name, styles).
std::wstring ClassOf(HWND window);
std::wstring TextOf(HWND window);
std::wstring ItemText(HWND dialog, int id);
DWORD ProcessOf(HWND window);

// The visible top-level windows of a process, topmost first.
std::vector<HWND> VisibleTopWindows(DWORD processId);

// Waits for a visible top-level window of the process that `match` accepts;
// null when none appeared in time.
HWND WaitForTopWindow(DWORD processId, const std::function<bool(HWND)>& match);

// Waits until `window` is gone or hidden.
bool WaitUntilGone(HWND window);

// A dialog of the process (class #32770) whose caption is `caption` and that
// holds a control with the id `controlId` (0: any).
HWND WaitForDialog(DWORD processId, const std::wstring& caption, int controlId = 0);

// Posts a click: a sent click would block while the handler runs its own
// modal loop.
bool Click(HWND dialog, int buttonId);

}  // namespace mailvane::e2e
