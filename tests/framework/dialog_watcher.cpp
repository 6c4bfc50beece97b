#include "tests/framework/dialog_watcher.h"

#include <algorithm>

namespace mailvane::framework {

namespace {

std::wstring TextOf(HWND window) {
    wchar_t buffer[1024] = {};
    GetWindowTextW(window, buffer, 1024);
    return buffer;
}

struct Search {
    DWORD process;
    int answer;
    std::vector<HWND> ignored;
    HWND found = nullptr;
};

BOOL CALLBACK FindDialog(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != search->process || !IsWindowVisible(window)) return TRUE;
    wchar_t className[32] = {};
    GetClassNameW(window, className, 32);
    if (std::wstring(className) != L"#32770") return TRUE;
    if (std::find(search->ignored.begin(), search->ignored.end(), window) != search->ignored.end()) return TRUE;
    // Dialogs without the answer's button (a progress window) are not ours to close.
    if (!GetDlgItem(window, search->answer)) return TRUE;
    search->found = window;
    return FALSE;
}

}  // namespace

DialogWatcher::DialogWatcher(int answer) : m_answer(answer), m_thread([this] { Run(); }) {}

DialogWatcher::~DialogWatcher() {
    m_stop = true;
    m_thread.join();
}

void DialogWatcher::Ignore(HWND window) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_ignored.push_back(window);
}

std::vector<DialogWatcher::Seen> DialogWatcher::Taken() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_seen;
}

void DialogWatcher::Run() {
    while (!m_stop) {
        if (!HandleOne()) Sleep(20);
    }
}

bool DialogWatcher::HandleOne() {
    Search search{GetCurrentProcessId(), m_answer, {}, nullptr};
    {
        std::lock_guard<std::mutex> guard(m_lock);
        search.ignored = m_ignored;
    }
    EnumWindows(FindDialog, reinterpret_cast<LPARAM>(&search));
    if (!search.found) return false;
    const HWND dialog = search.found;
    const HWND button = GetDlgItem(dialog, m_answer);
    if (!button) return false;  // not fully built yet
    Seen seen{TextOf(dialog), TextOf(GetDlgItem(dialog, 0xFFFF)), GetWindowLongPtrW(dialog, GWL_STYLE),
              GetWindow(dialog, GW_OWNER)};
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_seen.push_back(seen);
    }
    PostMessageW(button, BM_CLICK, 0, 0);
    while (IsWindow(dialog) && IsWindowVisible(dialog) && !m_stop) Sleep(10);
    return true;
}

}  // namespace mailvane::framework
