#include "framework/wnd.h"

#include <cassert>

namespace mailvane::framework {

void CWnd::AssertWindow() const { assert(m_hWnd && ::IsWindow(m_hWnd)); }

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) const {
    AssertWindow();
    return ::SendMessageW(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) const {
    AssertWindow();
    return ::PostMessageW(m_hWnd, message, wParam, lParam);
}

void CWnd::SetWindowText(LPCWSTR text) const {
    AssertWindow();
    ::SetWindowTextW(m_hWnd, text);
}

CString CWnd::GetWindowText() const {
    AssertWindow();
    CString text;
    const int length = ::GetWindowTextLengthW(m_hWnd);
    LPWSTR buffer = text.GetBuffer(length + 1);
    const int copied = ::GetWindowTextW(m_hWnd, buffer, length + 1);
    text.ReleaseBuffer(copied);
    return text;
}

void CWnd::SetDlgItemText(int id, LPCWSTR text) const {
    AssertWindow();
    ::SetDlgItemTextW(m_hWnd, id, text);
}

DWORD CWnd::GetStyle() const {
    AssertWindow();
    return static_cast<DWORD>(::GetWindowLongPtrW(m_hWnd, GWL_STYLE));
}

BOOL CWnd::ModifyStyle(DWORD remove, DWORD add, UINT flags) const {
    const DWORD style = GetStyle();
    const DWORD changed = (style & ~remove) | add;
    if (changed == style) return FALSE;
    ::SetWindowLongPtrW(m_hWnd, GWL_STYLE, static_cast<LONG_PTR>(changed));
    if (flags != 0) {
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | flags);
    }
    return TRUE;
}

int CWnd::MessageBox(LPCWSTR text, LPCWSTR caption, UINT type) const {
    AssertWindow();
    return ::MessageBoxW(m_hWnd, text, caption, type);
}

CMenu CWnd::GetSystemMenu(BOOL revert) const {
    AssertWindow();
    return CMenu(::GetSystemMenu(m_hWnd, revert));
}

BOOL CWnd::IsIconic() const {
    AssertWindow();
    return ::IsIconic(m_hWnd);
}

void CWnd::GetClientRect(RECT* rect) const {
    AssertWindow();
    ::GetClientRect(m_hWnd, rect);
}

}  // namespace mailvane::framework
