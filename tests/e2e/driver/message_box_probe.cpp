#include "message_box_probe.h"

#include "window_probe.h"

namespace mailvane::e2e {

namespace {

constexpr int kTextId = 0xFFFF;
constexpr int kIconId = 0x0440;

}  // namespace

bool IsMessageBox(HWND window) {
    return ClassOf(window) == L"#32770" && GetDlgItem(window, kTextId) != nullptr &&
           GetDlgItem(window, kIconId) != nullptr;
}

MessageBoxSeen WaitForMessageBox(DWORD processId) {
    MessageBoxSeen seen;
    seen.window = WaitForTopWindow(processId, IsMessageBox);
    if (seen.window != nullptr) {
        seen.caption = TextOf(seen.window);
        seen.text = ItemText(seen.window, kTextId);
    }
    return seen;
}

bool NoMessageBoxShown(DWORD processId) {
    for (HWND window : VisibleTopWindows(processId)) {
        if (IsMessageBox(window)) {
            return false;
        }
    }
    return true;
}

bool Answer(const MessageBoxSeen& box, int buttonId) {
    return box && Click(box.window, buttonId) && WaitUntilGone(box.window);
}

}  // namespace mailvane::e2e
