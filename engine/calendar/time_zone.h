#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/calendar/calendar_component.h"
#include "engine/calendar/calendar_issue.h"

namespace mailvane::calendar {

// SYSTEMTIME ([MS-DTYP] 2.3.13). In a time zone rule a zero year means a
// yearly rule: `day` is then the week of the month (5 for the last) and
// `dayOfWeek` the weekday; a nonzero year means that date in every year.
struct SystemTime {
    std::uint16_t year = 0;
    std::uint16_t month = 0;  // 0: the zone keeps no daylight saving time
    std::uint16_t dayOfWeek = 0;
    std::uint16_t day = 0;
    std::uint16_t hour = 0;
    std::uint16_t minute = 0;
    std::uint16_t second = 0;
    std::uint16_t milliseconds = 0;
    bool operator==(const SystemTime&) const = default;
};

// The fields Outlook's time zone structures share (TZREG): UTC is local time
// plus bias plus the standard or daylight bias, all in minutes.
struct TimeZoneRule {
    std::int32_t bias = 0;
    std::int32_t standardBias = 0;
    std::int32_t daylightBias = 0;
    SystemTime standardDate;  // when daylight time ends, in daylight local time
    SystemTime daylightDate;  // when daylight time starts, in standard local time
    bool operator==(const TimeZoneRule&) const = default;
};

// A VTIMEZONE reduced to one rule, as Outlook imports it ([MS-OXCICAL]
// 2.1.3.1.1.19): of several STANDARD or DAYLIGHT onsets only the one with
// the latest DTSTART counts. That is the simplification of Outlook's own
// structures, which keep one rule per time zone definition here; a zone
// whose offsets changed over the years converts older times with today's
// rule, as Outlook would.
struct TimeZone {
    std::u16string id;  // the TZID
    TimeZoneRule rule;
    std::uint16_t firstYear = 1601;  // year of the onset the rule was taken from

    // Seconds since 1970 in UTC for a wall-clock time given the same way.
    std::int64_t ToUtc(std::int64_t localSeconds) const;
    std::int64_t ToLocal(std::int64_t utcSeconds) const;
};

// The rule of one VTIMEZONE component; nullopt (with an issue) when it has
// no STANDARD or DAYLIGHT onset with a TZOFFSETTO.
std::optional<TimeZone> ReadTimeZone(const CalendarComponent& vtimezone, std::vector<CalendarIssue>& issues);

// Every VTIMEZONE of a calendar, for looking up TZID parameters (compared
// without regard to case, as [MS-OXCICAL] asks).
class TimeZoneTable {
public:
    TimeZoneTable(const CalendarComponent& calendar, std::vector<CalendarIssue>& issues);
    const TimeZone* Find(std::u16string_view id) const;

private:
    std::vector<TimeZone> m_zones;
};

}  // namespace mailvane::calendar
