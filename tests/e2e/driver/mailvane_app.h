#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "app_process.h"
#include "list_view_probe.h"

namespace mailvane::e2e {

// Control ids of the program's windows, as a user meets them.
namespace ids {
inline constexpr int kConvert = 3;
inline constexpr int kExit = 4;
inline constexpr int kSourceList = 1000;
inline constexpr int kAddFolder = 1001;
inline constexpr int kAddFile = 1002;
inline constexpr int kClearList = 1003;
inline constexpr int kRemoveFile = 1004;
inline constexpr int kItemCount = 1005;
inline constexpr int kDestination = 1006;
inline constexpr int kBrowse = 1007;
inline constexpr int kAboutLabel = 1014;
inline constexpr int kHelpLabel = 1015;
inline constexpr int kStop = 1001;
inline constexpr int kProgressBar = 1008;
inline constexpr int kCounter = 1009;
inline constexpr int kStatus = 1010;
}  // namespace ids

// The real Mailvane.exe of this build, started in its bin folder as the
// Start-menu shortcut does, and driven only through its windows.
class MailvaneApp {
public:
    // Starts `program` (the build's own by default) and waits for its main
    // window; false when it did not appear.
    bool Start(const std::wstring& program = L"");
    // Why the last Start failed: the program could not be started, ended
    // before its window appeared, or showed none in time.
    std::string StartFailure() const;

    AppProcess& Process() { return m_process; }
    DWORD Id() const { return m_process.Id(); }
    HWND Main() const { return m_main; }
    ListViewProbe List() const;
    std::vector<ListRow> Rows() const { return List().Rows(); }
    std::wstring ItemCountText() const;
    std::wstring DestinationText() const;
    bool MainEnabled() const { return IsWindowEnabled(m_main) != 0; }

    bool Press(int id) const;
    // Waits until the item-count label reads `text`.
    bool WaitForItemCount(const std::wstring& text) const;

    bool AddFiles(const std::wstring& folder, const std::vector<std::wstring>& names) const;
    bool AddFolder(const std::wstring& folder) const;
    bool Browse(const std::wstring& folder) const;

    // The progress window of a run (no caption, with the counter and the bar):
    // the one shown now, or null; and the one that appears in time.
    HWND ProgressWindow() const;
    HWND WaitForProgressWindow() const;
    // The About box, opened by either route.
    HWND WaitForAbout() const;

private:
    bool PickFolder(int button, const std::wstring& folder) const;

    AppProcess m_process;
    HWND m_main = nullptr;
};

}  // namespace mailvane::e2e
