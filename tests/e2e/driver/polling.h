#pragma once

#include <chrono>
#include <functional>

namespace mailvane::e2e {

// The longest any single wait of a scenario may take before it is a failure.
// Generous: it only bounds a hang, it never measures speed.
inline constexpr std::chrono::milliseconds kPatience{20000};

// A wait stretched for a slower machine by MAILVANE_E2E_SLOWDOWN, a whole
// factor (1 when unset), which the emulated 32-bit runs set
// (tools/wine32-exec).
std::chrono::milliseconds Stretched(std::chrono::milliseconds wait);

// Calls `ready` until it returns true or `patience`, stretched, has passed;
// true when it became ready.
bool PollUntil(const std::function<bool()>& ready, std::chrono::milliseconds patience = kPatience);

}  // namespace mailvane::e2e
