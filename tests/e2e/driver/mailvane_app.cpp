#include "mailvane_app.h"

#include <cstdio>

#include "common_dialog_driver.h"
#include "polling.h"
#include "test_paths.h"
#include "window_probe.h"

namespace mailvane::e2e {

bool MailvaneApp::Start(const std::wstring& program) {
    const std::wstring path = program.empty() ? ProgramPath() : program;
    const std::wstring folder = path.substr(0, path.find_last_of(L'\\'));
    if (!m_process.Start(path, L"", folder)) {
        return false;
    }
    m_main = WaitForDialog(m_process.Id(), L"Mailvane", ids::kSourceList);
    return m_main != nullptr;
}

std::string MailvaneApp::StartFailure() const {
    if (m_main != nullptr) return {};
    if (m_process.StartError() != 0) {
        return "the program could not be started (error " + std::to_string(m_process.StartError()) + ")";
    }
    if (!m_process.IsRunning()) {
        DWORD code = 0;
        GetExitCodeProcess(m_process.Handle(), &code);
        return "the program ended with exit code " + std::to_string(code) + " before its window appeared";
    }
    return "the program showed no main window in time";
}

ListViewProbe MailvaneApp::List() const { return ListViewProbe(GetDlgItem(m_main, ids::kSourceList)); }

std::wstring MailvaneApp::ItemCountText() const { return ItemText(m_main, ids::kItemCount); }

std::wstring MailvaneApp::DestinationText() const { return ItemText(m_main, ids::kDestination); }

bool MailvaneApp::Press(int id) const { return Click(m_main, id); }

bool MailvaneApp::WaitForItemCount(const std::wstring& text) const {
    return PollUntil([&] { return ItemCountText() == text; });
}

bool MailvaneApp::AddFiles(const std::wstring& folder, const std::vector<std::wstring>& names) const {
    if (!Press(ids::kAddFile)) {
        return false;
    }
    HWND dialog = WaitForOpenFileDialog(Id());
    return dialog != nullptr && ChooseFiles(dialog, folder, names);
}

bool MailvaneApp::AddFolder(const std::wstring& folder) const { return PickFolder(ids::kAddFolder, folder); }

bool MailvaneApp::Browse(const std::wstring& folder) const { return PickFolder(ids::kBrowse, folder); }

// Presses `button` and chooses `folder` in the folder picker it opens; a
// step that fails says which it was.
bool MailvaneApp::PickFolder(int button, const std::wstring& folder) const {
    if (!Press(button)) {
        std::fprintf(stderr, "folder picker: button %d could not be pressed\n", button);
        return false;
    }
    HWND picker = WaitForFolderPicker(Id());
    if (picker == nullptr) {
        std::fprintf(stderr, "folder picker: none answered after button %d\n", button);
        return false;
    }
    return ChooseFolder(picker, folder);
}

namespace {

bool IsProgressWindow(HWND window) {
    return ClassOf(window) == L"#32770" && GetDlgItem(window, ids::kProgressBar) != nullptr &&
           GetDlgItem(window, ids::kCounter) != nullptr;
}

}  // namespace

HWND MailvaneApp::ProgressWindow() const {
    for (HWND window : VisibleTopWindows(Id())) {
        if (IsProgressWindow(window)) {
            return window;
        }
    }
    return nullptr;
}

HWND MailvaneApp::WaitForProgressWindow() const { return WaitForTopWindow(Id(), IsProgressWindow); }

HWND MailvaneApp::WaitForAbout() const { return WaitForDialog(Id(), L"About Mailvane", IDOK); }

}  // namespace mailvane::e2e
