#include "engine/msg/file_time.h"

#include <limits>

namespace mailvane::msg {

FileTime FileTime::FromUnixSeconds(std::int64_t seconds) {
    constexpr std::uint64_t kTicksPerSecond = 10000000;
    // Times before 1601 have no FILETIME; the earliest one stands in.
    if (seconds < -kSecondsFrom1601To1970) return FileTime{0};
    constexpr auto kLatest = static_cast<std::int64_t>(std::numeric_limits<std::uint64_t>::max() / kTicksPerSecond);
    if (seconds > kLatest - kSecondsFrom1601To1970) {
        return FileTime{std::numeric_limits<std::uint64_t>::max()};
    }
    return FileTime{static_cast<std::uint64_t>(seconds + kSecondsFrom1601To1970) * kTicksPerSecond};
}

}  // namespace mailvane::msg
