#include "framework/dialog.h"

#include <utility>

#include "framework/win_app.h"

namespace mailvane::framework {

namespace {

// Modal dialogs open centred over their owner, or over the work area of the
// screen when they have none, as the classic framework places them.
void CenterOverOwner(HWND dialog) {
    RECT area{};
    const HWND owner = ::GetWindow(dialog, GW_OWNER);
    if (owner && ::IsWindowVisible(owner) && !::IsIconic(owner)) {
        ::GetWindowRect(owner, &area);
    } else {
        ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    }
    RECT own{};
    ::GetWindowRect(dialog, &own);
    const int width = own.right - own.left;
    const int height = own.bottom - own.top;
    int x = area.left + (area.right - area.left - width) / 2;
    int y = area.top + (area.bottom - area.top - height) / 2;
    if (x < 0) x = 0;
    if (y < 0) y = 0;
    ::SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

void DDX_Control(CDataExchange* exchange, int id, CWnd& control) {
    if (!control.m_hWnd) control.Attach(::GetDlgItem(exchange->m_pDlgWnd->m_hWnd, id));
}

CDialog::CDialog(UINT templateId, CWnd* parent) : m_templateId(templateId), m_parent(parent) {}

CDialog::~CDialog() {
    // A modeless dialog still open when its object goes must not keep a
    // pointer to it.
    if (m_hWnd && ::IsWindow(m_hWnd) && !m_modal) {
        ::SetWindowLongPtrW(m_hWnd, DWLP_USER, 0);
        ::DestroyWindow(m_hWnd);
    }
}

HWND CDialog::OwnerWindow() const {
    if (m_parent) return m_parent->m_hWnd;
    CWinApp* app = AfxGetApp();
    if (!app || !app->m_pMainWnd || !::IsWindow(app->m_pMainWnd->m_hWnd)) return nullptr;
    return ::GetLastActivePopup(app->m_pMainWnd->m_hWnd);
}

INT_PTR CDialog::DoModal() {
    m_modal = true;
    const INT_PTR result = ::DialogBoxParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(m_templateId), OwnerWindow(),
                                             DialogProc, reinterpret_cast<LPARAM>(this));
    m_hWnd = nullptr;
    return result;
}

BOOL CDialog::Create(CWnd* parent) {
    m_modal = false;
    if (parent) m_parent = parent;
    const HWND window =
        ::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(m_templateId),
                             m_parent ? m_parent->m_hWnd : nullptr, DialogProc, reinterpret_cast<LPARAM>(this));
    return window != nullptr;
}

void CDialog::EndDialog(int result) {
    if (m_modal) {
        ::EndDialog(m_hWnd, result);
    } else {
        ::DestroyWindow(m_hWnd);
    }
}

BOOL CDialog::UpdateData(BOOL saveAndValidate) {
    CDataExchange exchange(this, saveAndValidate);
    DoDataExchange(&exchange);
    return TRUE;
}

void CDialog::DoDataExchange(CDataExchange*) {}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK() {
    UpdateData(TRUE);
    EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

bool CDialog::OnMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
    switch (message) {
        case WM_INITDIALOG:
            result = OnInitDialog();
            return true;
        case WM_COMMAND:
            if (HIWORD(wParam) != BN_CLICKED) return false;
            if (LOWORD(wParam) == IDOK) {
                OnOK();
                return true;
            }
            if (LOWORD(wParam) == IDCANCEL) {
                OnCancel();
                return true;
            }
            return false;
        case WM_HELP:
            // F1: the application's help command, as the framework routes ID_HELP.
            if (CWinApp* app = AfxGetApp()) {
                app->OnCommand(ID_HELP);
                result = TRUE;
                return true;
            }
            return false;
        default:
            return false;
    }
}

INT_PTR CALLBACK CDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    CDialog* dialog = nullptr;
    if (message == WM_INITDIALOG) {
        dialog = reinterpret_cast<CDialog*>(lParam);
        ::SetWindowLongPtrW(window, DWLP_USER, lParam);
        dialog->m_hWnd = window;
        if (dialog->m_modal) CenterOverOwner(window);
    } else {
        dialog = reinterpret_cast<CDialog*>(::GetWindowLongPtrW(window, DWLP_USER));
    }
    if (!dialog) return FALSE;

    const bool outerPassToDefault = std::exchange(dialog->m_passToDefault, false);
    LRESULT result = 0;
    bool handled = false;
    try {
        handled = dialog->OnMessage(message, wParam, lParam, result);
    } catch (...) {
        // No exception may cross the window procedure; the message is then left
        // to the dialog manager.
        handled = false;
    }
    if (std::exchange(dialog->m_passToDefault, outerPassToDefault)) handled = false;

    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrW(window, DWLP_USER, 0);
        dialog->m_hWnd = nullptr;
    }
    if (!handled) return FALSE;
    switch (message) {
        // These return their result directly instead of through DWLP_MSGRESULT.
        case WM_INITDIALOG:
        case WM_QUERYDRAGICON:
        case WM_CTLCOLORMSGBOX:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSCROLLBAR:
        case WM_CTLCOLORSTATIC:
        case WM_COMPAREITEM:
        case WM_VKEYTOITEM:
        case WM_CHARTOITEM:
            return static_cast<INT_PTR>(result);
        default:
            ::SetWindowLongPtrW(window, DWLP_MSGRESULT, result);
            return TRUE;
    }
}

}  // namespace mailvane::framework
