#pragma once

#include <windows.h>

#include "framework/cstring.h"
#include "framework/menu.h"

namespace mailvane::framework {

// Holds a window handle and sends it messages; owns nothing. Every call on
// the window asserts, in debug builds, that the window exists.
class CWnd {
public:
    CWnd() = default;
    explicit CWnd(HWND window) : m_hWnd(window) {}
    virtual ~CWnd() = default;
    CWnd(const CWnd&) = default;
    CWnd& operator=(const CWnd&) = default;

    void Attach(HWND window) { m_hWnd = window; }

    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;

    void SetWindowText(LPCWSTR text) const;
    CString GetWindowText() const;
    void SetDlgItemText(int id, LPCWSTR text) const;

    DWORD GetStyle() const;
    // Removes, then adds window styles; flags other than 0 are passed to
    // SetWindowPos so that a frame change takes effect.
    BOOL ModifyStyle(DWORD remove, DWORD add, UINT flags = 0) const;

    int MessageBox(LPCWSTR text, LPCWSTR caption = nullptr, UINT type = MB_OK) const;
    CMenu GetSystemMenu(BOOL revert) const;

    BOOL IsIconic() const;
    void GetClientRect(RECT* rect) const;

    HWND m_hWnd = nullptr;

protected:
    // Debug builds stop here when the window is gone (or was never bound).
    void AssertWindow() const;
};

}  // namespace mailvane::framework
