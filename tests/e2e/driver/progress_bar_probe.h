#pragma once

#include <windows.h>

namespace mailvane::e2e {

struct ProgressState {
    int low = 0;
    int high = 0;
    int position = 0;
    bool operator==(const ProgressState&) const = default;
};

// The range and position of a progress bar in another process; the
// messages carry no pointers, so they cross processes as they are.
ProgressState ReadProgress(HWND bar);

}  // namespace mailvane::e2e
