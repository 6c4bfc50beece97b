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
// `dayOfWeek` the weekday; a nonzero year means that date, in that year only.
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

// A rule and the year it takes effect (a TZRule of [MS-OXOCAL] 2.2.1.41.1).
struct DatedTimeZoneRule {
    std::uint16_t year = 1601;
    TimeZoneRule rule;
    bool operator==(const DatedTimeZoneRule&) const = default;
};

// A time zone as Outlook's time zone definitions keep it ([MS-OXOCAL]
// 2.2.1.41): rules sorted by the year each takes effect, each in force from
// January 1 of its year until the next begins, the first also for every
// year before its own. A VTIMEZONE gives one rule per year its onsets
// change in, of all its STANDARD and DAYLIGHT onsets ([MS-OXCICAL]
// 2.1.3.1.1.19.2 lets an importer keep every onset of its own year); the
// time of a year converts with the rule of that year.
struct TimeZone {
    std::u16string id;       // the TZID as written
    std::u16string keyName;  // the Windows key of a zone known by name; empty: the TZID stands for it
    std::vector<DatedTimeZoneRule> rules;

    // The rule of a year, and where it stands in `rules`; with no rules, a
    // zone without offset or daylight time.
    const TimeZoneRule& RuleFor(int year) const;
    std::size_t RuleIndexFor(int year) const;

    // Seconds since 1970 in UTC for a wall-clock time given the same way.
    std::int64_t ToUtc(std::int64_t localSeconds) const;
    std::int64_t ToLocal(std::int64_t utcSeconds) const;
};

// The rules of one VTIMEZONE component; nullopt (with an issue) when it has
// no STANDARD or DAYLIGHT onset with a DTSTART and a TZOFFSETTO.
std::optional<TimeZone> ReadTimeZone(const CalendarComponent& vtimezone, std::vector<CalendarIssue>& issues);

// What a floating time is kept in when its event names no zone: UTC, under
// the key Windows knows it by.
TimeZone UtcTimeZone();

// Every VTIMEZONE of a calendar, for looking up TZID parameters (compared
// without regard to case, as [MS-OXCICAL] asks).
class TimeZoneTable {
public:
    TimeZoneTable(const CalendarComponent& calendar, std::vector<CalendarIssue>& issues);
    // The calendar's own VTIMEZONE of a TZID, or null.
    const TimeZone* Find(std::u16string_view id) const;
    // The zone a TZID names: the calendar's VTIMEZONE, else a zone known by
    // its name (known_time_zones.h); nullopt for neither.
    std::optional<TimeZone> Resolve(std::u16string_view id) const;

private:
    std::vector<TimeZone> m_zones;
};

}  // namespace mailvane::calendar
