#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace mailvane::cli {

// The one-line progress display of a run on a terminal: inputs done,
// failures, rate and time left, redrawn in place ("\r") at most ten times a
// second, blanked over the rest of a longer line drawn before.
class ProgressLine {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kInterval{100};

    explicit ProgressLine(Clock::time_point start) : m_start(start) {}
    // The text that redraws the line at `now`, or nothing when the last one
    // was drawn less than kInterval before. `handedOut` is the part of the
    // whole work begun, from 0 to 1, when known; without it no time left is shown.
    std::optional<std::string> Update(std::uint64_t done, std::uint64_t failed, std::optional<double> handedOut,
                                      Clock::time_point now);
    // The text that blanks the line drawn last (empty when none was).
    std::string Erase() const;

private:
    Clock::time_point m_start;
    std::optional<Clock::time_point> m_lastDrawn;
    std::size_t m_width = 0;
};

// "0:07", "12:30", "1:02:03".
std::string ClockText(std::chrono::seconds duration);

}  // namespace mailvane::cli
