#pragma once

#include <chrono>
#include <functional>

namespace mailvane::e2e {

// The longest any single wait of a scenario may take before it is a failure.
// Generous: it only bounds a hang, it never measures speed.
inline constexpr std::chrono::milliseconds kPatience{20000};

// Calls `ready` until it returns true or `patience` has passed; true when it
// became ready.
bool PollUntil(const std::function<bool()>& ready, std::chrono::milliseconds patience = kPatience);

}  // namespace mailvane::e2e
