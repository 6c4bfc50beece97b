#pragma once

#include "framework/cstring.h"
#include "framework/wnd.h"

namespace mailvane::framework {

// The framework's command id for Help.
constexpr UINT ID_HELP = 0xE146;

// The application object: exactly one, constructed before start-up runs.
// AfxWinMain calls InitInstance; a FALSE result ends the program after
// ExitInstance, without a message loop.
class CWinApp {
public:
    // Without a name the application's title is the executable's base name.
    explicit CWinApp(LPCWSTR appName = nullptr);
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    virtual BOOL InitInstance();
    virtual int ExitInstance();
    // Routes a command to the application's message map; true when handled.
    virtual bool OnCommand(UINT id);

    // Opens the application's help file (its module path with ".chm").
    void OnHelp();
    // Names the registry key under which profile settings would be kept:
    // HKCU\Software\<company>\<application>. Nothing is written here.
    void SetRegistryKey(LPCWSTR company);
    CString GetProfileKeyPath() const;

    const CString& GetAppName() const { return m_appName; }
    const CString& GetHelpFilePath() const { return m_helpFilePath; }

    CWnd* m_pMainWnd = nullptr;
    HINSTANCE m_hInstance = nullptr;

private:
    CString m_appName;
    CString m_registryKey;
    CString m_profileName;
    CString m_helpFilePath;
};

// The extended application base of the classic framework. Its additions
// (visual managers, saved workspace state) serve frame windows, which this
// program does not have, so it behaves as CWinApp.
class CWinAppEx : public CWinApp {
public:
    using CWinApp::CWinApp;
};

// The one application object, or null before it is constructed.
CWinApp* AfxGetApp();
// The application's title: the application's name, or the executable's base
// name when there is no application object.
CString AfxGetAppName();
// The program's entry: runs the application object's start-up.
int AfxWinMain(HINSTANCE instance, LPWSTR commandLine, int show);

}  // namespace mailvane::framework
