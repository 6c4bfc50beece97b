#include "app/mailvane_app.h"

#include <windows.h>
#include <commctrl.h>

#include "framework/control_container.h"
#include "framework/message_map.h"
#include "mainwindow/mailvane_dlg.h"

namespace mailvane::app {

using framework::AfxEnableControlContainer;
using framework::CWinApp;
using framework::CWinAppEx;
using framework::DispatchMessageMap;
using framework::ID_HELP;
using framework::MessageMapEntry;
namespace message_map = framework::message_map;
using mainwindow::CMailvaneDlg;

// The one application object of the process.
CMailvaneApp theApp;

bool CMailvaneApp::OnCommand(UINT id) {
    static const MessageMapEntry<CMailvaneApp> map[] = {
        message_map::Command<CMailvaneApp>(0, ID_HELP, &CWinApp::OnHelp),
    };
    LRESULT result = 0;
    return DispatchMessageMap(*this, map, WM_COMMAND, MAKEWPARAM(id, 0), 0, result);
}

BOOL CMailvaneApp::InitInstance() {
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_WIN95_CLASSES;
    InitCommonControlsEx(&controls);

    CWinAppEx::InitInstance();
    AfxEnableControlContainer();
    SetRegistryKey(L"Local AppWizard-Generated Applications");

    CMailvaneDlg dialog;
    m_pMainWnd = &dialog;
    dialog.DoModal();
    m_pMainWnd = nullptr;
    // FALSE: the program ends here instead of entering a message loop.
    return FALSE;
}

}  // namespace mailvane::app
