#include "engine/calendar/civil_date.h"

namespace mailvane::calendar {

// Day counting after Howard Hinnant's days_from_civil: eras of 400 years,
// each of 146097 days, with the year starting in March so that the leap
// day is the last day of the year.
std::int64_t DaysFromCivil(const CivilDate& date) {
    const std::int64_t year = date.year - (date.month <= 2 ? 1 : 0);
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const std::int64_t yearOfEra = year - era * 400;
    const std::int64_t monthFromMarch = date.month > 2 ? date.month - 3 : date.month + 9;
    const std::int64_t dayOfYear = (153 * monthFromMarch + 2) / 5 + date.day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

CivilDate CivilFromDays(std::int64_t days) {
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t dayOfEra = days - era * 146097;
    const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t monthFromMarch = (5 * dayOfYear + 2) / 153;
    CivilDate date;
    date.day = static_cast<int>(dayOfYear - (153 * monthFromMarch + 2) / 5 + 1);
    date.month = static_cast<int>(monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9);
    date.year = static_cast<int>(yearOfEra + era * 400 + (date.month <= 2 ? 1 : 0));
    return date;
}

std::int64_t DaysFromSeconds(std::int64_t seconds) {
    constexpr std::int64_t kSecondsPerDay = 86400;
    return seconds >= 0 ? seconds / kSecondsPerDay : (seconds - kSecondsPerDay + 1) / kSecondsPerDay;
}

int Weekday(std::int64_t days) {
    // 1970-01-01 was a Thursday.
    const std::int64_t weekday = (days + 4) % 7;
    return static_cast<int>(weekday < 0 ? weekday + 7 : weekday);
}

int DaysInMonth(int year, int month) {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

bool IsValidDate(const CivilDate& date) {
    return date.month >= 1 && date.month <= 12 && date.day >= 1 && date.day <= DaysInMonth(date.year, date.month);
}

CivilDate AddMonths(const CivilDate& date, std::int64_t months) {
    const std::int64_t index = std::int64_t{date.year} * 12 + (date.month - 1) + months;
    const std::int64_t year = index >= 0 ? index / 12 : (index - 11) / 12;
    CivilDate moved;
    moved.year = static_cast<int>(year);
    moved.month = static_cast<int>(index - year * 12 + 1);
    const int length = DaysInMonth(moved.year, moved.month);
    moved.day = date.day > length ? length : date.day;
    return moved;
}

std::int64_t MinutesSince1601(std::int64_t days, std::int64_t minuteOfDay) {
    return (days + kDaysFrom1601To1970) * 1440 + minuteOfDay;
}

int NthWeekdayOfMonth(int year, int month, int weekday, int nth) {
    const std::int64_t first = DaysFromCivil({year, month, 1});
    const int firstMatch = 1 + (weekday - Weekday(first) + 7) % 7;
    int day = firstMatch + 7 * ((nth >= 5 ? 5 : nth) - 1);
    while (day > DaysInMonth(year, month)) day -= 7;
    return day;
}

}  // namespace mailvane::calendar
