#include "window_probe.h"

#include "polling.h"

namespace mailvane::e2e {

namespace {

// Bounds each cross-process read so a hung target fails the scenario instead
// of hanging it.
constexpr UINT kReplyPatienceMs = 5000;

}  // namespace

std::wstring ClassOf(HWND window) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return name;
}

std::wstring TextOf(HWND window) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kReplyPatienceMs, &length)) {
        return {};
    }
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                             kReplyPatienceMs, &copied)) {
        return {};
    }
    text.resize(copied);
    return text;
}

std::wstring ItemText(HWND dialog, int id) {
    HWND item = GetDlgItem(dialog, id);
    return item ? TextOf(item) : std::wstring();
}

DWORD ProcessOf(HWND window) {
    DWORD id = 0;
    GetWindowThreadProcessId(window, &id);
    return id;
}

namespace {

struct TopWindowSearch {
    DWORD processId;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectTopWindow(HWND window, LPARAM state) {
    auto* search = reinterpret_cast<TopWindowSearch*>(state);
    if (ProcessOf(window) == search->processId && IsWindowVisible(window)) {
        search->found.push_back(window);
    }
    return TRUE;
}

}  // namespace

std::vector<HWND> VisibleTopWindows(DWORD processId) {
    TopWindowSearch search{processId, {}};
    EnumWindows(CollectTopWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitForTopWindow(DWORD processId, const std::function<bool(HWND)>& match) {
    HWND found = nullptr;
    PollUntil([&] {
        for (HWND window : VisibleTopWindows(processId)) {
            if (match(window)) {
                found = window;
                return true;
            }
        }
        return false;
    });
    return found;
}

bool WaitUntilGone(HWND window) {
    return PollUntil([&] { return !IsWindow(window) || !IsWindowVisible(window); });
}

HWND WaitForDialog(DWORD processId, const std::wstring& caption, int controlId) {
    return WaitForTopWindow(processId, [&](HWND window) {
        return ClassOf(window) == L"#32770" && TextOf(window) == caption &&
               (controlId == 0 || GetDlgItem(window, controlId) != nullptr);
    });
}

bool Click(HWND dialog, int buttonId) {
    HWND button = GetDlgItem(dialog, buttonId);
    return button != nullptr && PostMessageW(button, BM_CLICK, 0, 0);
}

}  // namespace mailvane::e2e
