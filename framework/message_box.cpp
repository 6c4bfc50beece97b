#include "framework/message_box.h"

#include "framework/win_app.h"

namespace mailvane::framework {

int AfxMessageBox(LPCWSTR text, UINT type, UINT) {
    HWND owner = nullptr;
    if (CWinApp* app = AfxGetApp(); app && app->m_pMainWnd && ::IsWindow(app->m_pMainWnd->m_hWnd)) {
        owner = ::GetLastActivePopup(app->m_pMainWnd->m_hWnd);
    }
    if ((type & MB_ICONMASK) == 0) {
        const UINT buttons = type & MB_TYPEMASK;
        if (buttons == MB_OK || buttons == MB_OKCANCEL) type |= MB_ICONEXCLAMATION;
    }
    const CString caption = AfxGetAppName();
    return ::MessageBoxW(owner, text, caption, type);
}

}  // namespace mailvane::framework
