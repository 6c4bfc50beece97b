#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/calendar/calendar_values.h"

namespace mailvane::calendar {

enum class Frequency { Secondly, Minutely, Hourly, Daily, Weekly, Monthly, Yearly };

// A BYDAY entry: "MO" (every Monday, ordinal 0), "2TU", "-1FR".
struct WeekdayNumber {
    int ordinal = 0;
    int weekday = 0;  // 0 for Sunday up to 6 for Saturday
    bool operator==(const WeekdayNumber&) const = default;
};

// An RRULE value (RFC 5545 3.3.10), parts as written.
struct RecurrenceRule {
    Frequency frequency = Frequency::Daily;
    int interval = 1;
    std::optional<int> count;
    std::optional<CalendarDateTime> until;
    std::vector<WeekdayNumber> byDay;
    std::vector<int> byMonthDay;
    std::vector<int> byMonth;
    std::vector<int> bySetPosition;
    std::vector<int> byHour;
    std::vector<int> byMinute;
    std::vector<int> bySecond;
    std::vector<int> byYearDay;
    std::vector<int> byWeekNumber;
    std::optional<int> weekStart;  // WKST, 0 for Sunday
};

// Reads an RRULE value; nullopt, with the reason in `error`, when it has no
// FREQ, a part that is no number where one is needed, or a value out of its
// range. Unknown parts are ignored, as RFC 5545 3.1 lets readers do.
std::optional<RecurrenceRule> ParseRecurrenceRule(std::string_view value, std::string& error);

}  // namespace mailvane::calendar
