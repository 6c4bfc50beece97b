#include "framework/win_app.h"

#include <windows.h>
#include <shellapi.h>

#include "framework/control_container.h"
#include "framework/message_map.h"

namespace mailvane::framework {

namespace {

CWinApp* g_application = nullptr;

CString ModulePath() {
    CString path;
    DWORD capacity = MAX_PATH;
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.GetBuffer(static_cast<int>(capacity)), capacity);
        if (length < capacity) {
            path.ReleaseBuffer(static_cast<int>(length));
            return path;
        }
        capacity *= 2;
    }
}

CString ModuleBaseName() {
    const CString path = ModulePath();
    CString name = path.Mid(path.ReverseFind(L'\\') + 1);
    const int dot = name.ReverseFind(L'.');
    return dot > 0 ? name.Left(dot) : name;
}

}  // namespace

CWinApp::CWinApp(LPCWSTR appName) : m_appName(appName) { g_application = this; }

CWinApp::~CWinApp() {
    if (g_application == this) g_application = nullptr;
}

BOOL CWinApp::InitInstance() {
    if (m_appName.IsEmpty()) m_appName = ModuleBaseName();
    const CString module = ModulePath();
    const int dot = module.ReverseFind(L'.');
    m_helpFilePath = (dot > module.ReverseFind(L'\\') ? module.Left(dot) : module) + L".chm";
    return TRUE;
}

int CWinApp::ExitInstance() {
    AfxTermControlContainer();
    return 0;
}

bool CWinApp::OnCommand(UINT id) {
    static const MessageMapEntry<CWinApp> map[] = {
        message_map::Command<CWinApp>(0, ID_HELP, &CWinApp::OnHelp),
    };
    LRESULT result = 0;
    return DispatchMessageMap(*this, map, WM_COMMAND, MAKEWPARAM(id, 0), 0, result);
}

void CWinApp::OnHelp() {
    if (m_helpFilePath.IsEmpty()) return;
    ShellExecuteW(m_pMainWnd ? m_pMainWnd->m_hWnd : nullptr, L"open", m_helpFilePath, nullptr, nullptr, SW_SHOW);
}

void CWinApp::SetRegistryKey(LPCWSTR company) {
    m_registryKey = company;
    m_profileName = m_appName.IsEmpty() ? ModuleBaseName() : m_appName;
}

CString CWinApp::GetProfileKeyPath() const {
    if (m_registryKey.IsEmpty()) return CString();
    return L"Software\\" + m_registryKey + L"\\" + m_profileName;
}

CWinApp* AfxGetApp() { return g_application; }

CString AfxGetAppName() {
    if (g_application && !g_application->GetAppName().IsEmpty()) return g_application->GetAppName();
    return ModuleBaseName();
}

int AfxWinMain(HINSTANCE instance, LPWSTR, int) {
    CWinApp* app = AfxGetApp();
    if (!app) return -1;
    app->m_hInstance = instance;
    if (!app->InitInstance()) return app->ExitInstance();
    // A program whose InitInstance keeps running would pump messages here;
    // ours ends with its main dialog.
    return app->ExitInstance();
}

}  // namespace mailvane::framework
