#pragma once

#include <cstdint>

namespace mailvane::calendar {

// A day of the proleptic Gregorian calendar, as iCalendar and Outlook's
// recurrence and time zone structures count them.
struct CivilDate {
    int year = 1970;
    int month = 1;  // 1..12
    int day = 1;    // 1..31
    bool operator==(const CivilDate&) const = default;
};

// Days since 1970-01-01 (negative before it).
std::int64_t DaysFromCivil(const CivilDate& date);
CivilDate CivilFromDays(std::int64_t days);

// The day a time falls on, for seconds since 1970-01-01 00:00 on any clock
// (rounded down: -1 is the last second of 1969-12-31).
std::int64_t DaysFromSeconds(std::int64_t seconds);

// 0 for Sunday up to 6 for Saturday.
int Weekday(std::int64_t days);
int DaysInMonth(int year, int month);
bool IsValidDate(const CivilDate& date);

// The same day `months` months later (negative: earlier), with the day of the
// month cut to the length of the month it lands in.
CivilDate AddMonths(const CivilDate& date, std::int64_t months);

// Minutes since 1601-01-01 00:00, the unit of the recurrence structures, for
// a day and minute of day given in the same clock.
constexpr std::int64_t kDaysFrom1601To1970 = 134774;
std::int64_t MinutesSince1601(std::int64_t days, std::int64_t minuteOfDay = 0);

// The day the n-th (1..4, 5 meaning the last) `weekday` of a month falls on.
int NthWeekdayOfMonth(int year, int month, int weekday, int nth);

}  // namespace mailvane::calendar
