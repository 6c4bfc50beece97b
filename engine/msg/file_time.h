#pragma once

#include <cstdint>

namespace mailvane::msg {

// From 1601-01-01, where FILETIME counts from, to 1970-01-01 UTC.
inline constexpr std::int64_t kSecondsFrom1601To1970 = 11644473600;

// FILETIME: 100-ns ticks since 1601-01-01 UTC.
struct FileTime {
    std::uint64_t ticks = 0;
    static FileTime FromUnixSeconds(std::int64_t seconds);
};

}  // namespace mailvane::msg
