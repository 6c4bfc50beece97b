#include "eml2msg/progress_line.h"

#include <gtest/gtest.h>

namespace mailvane::cli {
namespace {

using namespace std::chrono_literals;
using Clock = ProgressLine::Clock;

TEST(ProgressLine, AtMostTenUpdatesASecond) {
    const Clock::time_point start{};
    ProgressLine line(start);
    int drawn = 0;
    // A result every millisecond for three seconds.
    for (int ms = 1; ms <= 3000; ++ms) {
        if (line.Update(static_cast<std::uint64_t>(ms), 0, 0.5, start + std::chrono::milliseconds(ms))) ++drawn;
    }
    EXPECT_EQ(drawn, 30);
}

TEST(ProgressLine, DoneFailuresRateAndTimeLeft) {
    const Clock::time_point start{};
    ProgressLine line(start);
    EXPECT_EQ(line.Update(500, 3, 0.25, start + 10s), "\r500 done, 3 failed, 50/s, 0:30 left");
    // Without a known share of the work, no time left; a shorter line blanks what the longer one left.
    EXPECT_EQ(line.Update(600, 3, std::nullopt, start + 12s), "\r600 done, 3 failed, 50/s" + std::string(11, ' '));
    EXPECT_EQ(line.Erase(), "\r" + std::string(24, ' ') + "\r");
    EXPECT_EQ(ProgressLine(start).Erase(), "");
}

TEST(ProgressLine, ClockText) {
    EXPECT_EQ(ClockText(0s), "0:00");
    EXPECT_EQ(ClockText(7s), "0:07");
    EXPECT_EQ(ClockText(750s), "12:30");
    EXPECT_EQ(ClockText(3723s), "1:02:03");
    EXPECT_EQ(ClockText(-5s), "0:00");
}

}  // namespace
}  // namespace mailvane::cli
