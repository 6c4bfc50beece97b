#include "engine/calendar/recurrence_pattern.h"

#include "engine/calendar/civil_date.h"

namespace mailvane::calendar {

std::uint32_t RecurrencePattern::FirstDateTime() const {
    constexpr std::uint32_t kMinutesPerDay = 1440;
    if (period == 0) return 0;
    const std::int64_t startDay = std::int64_t{startDate} / kMinutesPerDay - kDaysFrom1601To1970;
    switch (type) {
        case PatternType::Day:
            return startDate % period;
        case PatternType::Week: {
            // The first day of the week the series starts in, modulo the cycle of weeks.
            const int back = (Weekday(startDay) - static_cast<int>(firstDayOfWeek % 7) + 7) % 7;
            const std::uint32_t weekStart = startDate - static_cast<std::uint32_t>(back) * kMinutesPerDay;
            return weekStart % (period * 7 * kMinutesPerDay);
        }
        case PatternType::Month:
        case PatternType::MonthNth: {
            // Months from January 1601 to the first instance, modulo the
            // period, as the minutes from 1601 to the first of that month.
            const CivilDate start = CivilFromDays(startDay);
            const std::int64_t months = std::int64_t{start.year - 1601} * 12 + (start.month - 1);
            const CivilDate cycleStart = AddMonths({1601, 1, 1}, months % period);
            return static_cast<std::uint32_t>(MinutesSince1601(DaysFromCivil(cycleStart)));
        }
    }
    return 0;
}

}  // namespace mailvane::calendar
