#include "polling.h"

#include <windows.h>

#include <cstdlib>

namespace mailvane::e2e {

std::chrono::milliseconds Stretched(std::chrono::milliseconds wait) {
    static const int factor = [] {
        const char* text = std::getenv("MAILVANE_E2E_SLOWDOWN");
        const int value = text != nullptr ? std::atoi(text) : 1;
        return value > 1 ? value : 1;
    }();
    return wait * factor;
}

bool PollUntil(const std::function<bool()>& ready, std::chrono::milliseconds patience) {
    const auto deadline = std::chrono::steady_clock::now() + Stretched(patience);
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
