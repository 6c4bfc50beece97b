#include "polling.h"

#include <windows.h>

namespace mailvane::e2e {

bool PollUntil(const std::function<bool()>& ready, std::chrono::milliseconds patience) {
    const auto deadline = std::chrono::steady_clock::now() + patience;
    for (;;) {
        if (ready()) {
            return true;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        Sleep(25);
    }
}

}  // namespace mailvane::e2e
