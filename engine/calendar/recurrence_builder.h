#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/calendar/recurrence_pattern.h"
#include "engine/calendar/recurrence_rule.h"

namespace mailvane::calendar {

// An instance of a series that a VEVENT with a RECURRENCE-ID changes.
// Times are seconds since 1970 in the series' local clock.
struct ChangedInstance {
    std::int64_t originalStart = 0;
    std::int64_t start = 0;
    std::int64_t end = 0;
    bool cancelled = false;  // STATUS:CANCELLED: the instance is deleted, not changed
    // The fields that differ from the series, with their flags; the times
    // are filled in by the builder.
    RecurrenceException overrides;
};

struct RecurrenceRequest {
    RecurrenceRule rule;
    std::int64_t start = 0;  // DTSTART, local
    std::int64_t durationSeconds = 0;
    std::optional<std::int64_t> until;        // UNTIL as local time, inclusive
    bool untilIsDate = false;                 // UNTIL was a DATE: the whole day counts
    std::vector<std::int64_t> deletedStarts;  // EXDATE values, local
    std::vector<ChangedInstance> changed;
};

// The bound on instances walked to count a series or find where it ends;
// a series with more is written as one without an end.
constexpr std::size_t kMaxWalkedInstances = 100000;

// Minutes since 1601 of a time given in seconds since 1970 on the series'
// clock, as the recurrence structures count them (nothing before 1601,
// and no more than 32 bits hold).
std::uint32_t LocalMinutes(std::int64_t localSeconds);

// Maps an RRULE onto Outlook's recurrence patterns, following the
// templates of [MS-OXCICAL] 2.1.3.2.2: daily, weekly (with weekdays), monthly
// by day of the month or by the n-th weekday, yearly by date or by n-th
// weekday, each with INTERVAL and COUNT or UNTIL, plus "FREQ=DAILY" with
// weekdays as a weekly pattern. EXDATEs and changed instances become
// deleted and modified instances and exceptions, keeping only those that
// fall on a date of the series: the first change of an instance that no
// EXDATE removed, and of moved instances those that keep the series'
// order of one instance a day, each between its neighbours. The exceptions
// come in the order of the instances. Anything else (BYHOUR lists, BYYEARDAY,
// BYWEEKNO, hourly rules, several days of the month...) fits no pattern:
// nullopt with the reason in `unsupported`.
std::optional<AppointmentRecurrence> BuildRecurrence(const RecurrenceRequest& request, std::string& unsupported);

}  // namespace mailvane::calendar
