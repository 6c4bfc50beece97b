#include "progress_bar_probe.h"

#include <windows.h>
#include <commctrl.h>

namespace mailvane::e2e {

namespace {

int Ask(HWND bar, UINT message, WPARAM wParam) {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(bar, message, wParam, 0, SMTO_ABORTIFHUNG, 5000, &result);
    return static_cast<int>(result);
}

}  // namespace

ProgressState ReadProgress(HWND bar) {
    ProgressState state;
    state.low = Ask(bar, PBM_GETRANGE, TRUE);
    state.high = Ask(bar, PBM_GETRANGE, FALSE);
    state.position = Ask(bar, PBM_GETPOS, 0);
    return state;
}

}  // namespace mailvane::e2e
