#include "engine/calendar/time_zone.h"

#include <limits>

#include "engine/calendar/calendar_values.h"
#include "engine/calendar/civil_date.h"
#include "engine/calendar/recurrence_rule.h"
#include "engine/text/ascii_case.h"

namespace mailvane::calendar {

namespace {

constexpr std::int64_t kSecondsPerDay = 86400;

std::optional<CalendarDateTime> StartOf(const CalendarComponent& onset) {
    const CalendarProperty* start = onset.Find("DTSTART");
    return start ? ParseDateTime(start->value) : std::nullopt;
}

// Of several onsets of one kind, the one that starts last.
const CalendarComponent* LatestOnset(const CalendarComponent& vtimezone, std::string_view name) {
    const CalendarComponent* latest = nullptr;
    std::int64_t latestStart = 0;
    for (const CalendarComponent* onset : vtimezone.Children(name)) {
        const auto start = StartOf(*onset);
        const std::int64_t seconds = start ? start->Seconds() : std::numeric_limits<std::int64_t>::min();
        if (!latest || seconds > latestStart) {
            latest = onset;
            latestStart = seconds;
        }
    }
    return latest;
}

std::optional<std::int32_t> OffsetTo(const CalendarComponent& onset) {
    const CalendarProperty* offset = onset.Find("TZOFFSETTO");
    return offset ? ParseUtcOffset(offset->value) : std::nullopt;
}

// The week of the month a run of seven BYMONTHDAY days picks out
// ("BYMONTHDAY=8,9,10,11,12,13,14;BYDAY=SU" is the second Sunday).
std::optional<int> WeekOfDayRun(const std::vector<int>& days) {
    if (days.size() != 7) return std::nullopt;
    for (std::size_t i = 1; i < days.size(); ++i) {
        if (days[i] != days[0] + static_cast<int>(i)) return std::nullopt;
    }
    if (days[0] == 1 || days[0] == 8 || days[0] == 15 || days[0] == 22) return (days[0] - 1) / 7 + 1;
    return days[0] >= 22 ? std::optional<int>(5) : std::nullopt;
}

// When an onset takes effect, as a SYSTEMTIME of the rule.
std::optional<SystemTime> OnsetTime(const CalendarComponent& onset) {
    const auto start = StartOf(onset);
    if (!start) return std::nullopt;
    SystemTime time;
    time.month = static_cast<std::uint16_t>(start->date.month);
    time.hour = static_cast<std::uint16_t>(start->hour);
    time.minute = static_cast<std::uint16_t>(start->minute);
    time.second = static_cast<std::uint16_t>(start->second);
    const CalendarProperty* rruleLine = onset.Find("RRULE");
    std::optional<RecurrenceRule> rule;
    if (rruleLine) {
        std::string error;
        rule = ParseRecurrenceRule(rruleLine->value, error);
    }
    if (!rule || rule->frequency != Frequency::Yearly) {
        // A single onset: that date, in that year only.
        time.year = static_cast<std::uint16_t>(start->date.year);
        time.day = static_cast<std::uint16_t>(start->date.day);
        time.dayOfWeek = static_cast<std::uint16_t>(Weekday(start->Days()));
        return time;
    }
    if (!rule->byMonth.empty()) time.month = static_cast<std::uint16_t>(rule->byMonth.front());
    if (rule->byDay.size() == 1) {
        const WeekdayNumber weekday = rule->byDay.front();
        int week = weekday.ordinal;
        if (week == 0 && !rule->bySetPosition.empty()) week = rule->bySetPosition.front();
        if (week == 0) {
            const auto run = WeekOfDayRun(rule->byMonthDay);
            if (!run) return std::nullopt;
            week = *run;
        }
        time.dayOfWeek = static_cast<std::uint16_t>(weekday.weekday);
        time.day = static_cast<std::uint16_t>(week < 0 || week > 5 ? 5 : week);
        return time;
    }
    if (rule->byMonthDay.size() == 1 && rule->byMonthDay.front() > 0) {
        time.year = static_cast<std::uint16_t>(start->date.year);
        time.day = static_cast<std::uint16_t>(rule->byMonthDay.front());
        return time;
    }
    return std::nullopt;
}

// The local wall-clock second at which a rule's transition happens in a
// year, if it happens in that year.
std::optional<std::int64_t> TransitionIn(const SystemTime& transition, int year) {
    if (transition.month < 1 || transition.month > 12) return std::nullopt;
    int day = 0;
    if (transition.year == 0) {
        day = NthWeekdayOfMonth(year, transition.month, transition.dayOfWeek % 7,
                                transition.day == 0 ? 1 : transition.day);
    } else {
        if (transition.year != year) return std::nullopt;
        const int length = DaysInMonth(year, transition.month);
        day = transition.day < 1 ? 1 : (transition.day > length ? length : transition.day);
    }
    return DaysFromCivil({year, transition.month, day}) * kSecondsPerDay + transition.hour * 3600 +
           transition.minute * 60 + transition.second;
}

bool IsDaylight(const TimeZoneRule& rule, std::int64_t localSeconds) {
    if (rule.standardDate.month == 0 || rule.daylightDate.month == 0) return false;
    std::int64_t days = localSeconds / kSecondsPerDay;
    if (localSeconds < 0 && localSeconds % kSecondsPerDay != 0) --days;
    const int year = CivilFromDays(days).year;
    const auto begins = TransitionIn(rule.daylightDate, year);
    const auto ends = TransitionIn(rule.standardDate, year);
    if (!begins || !ends) return false;
    if (*begins < *ends) return localSeconds >= *begins && localSeconds < *ends;
    // Southern hemisphere: daylight time spans the turn of the year.
    return localSeconds >= *begins || localSeconds < *ends;
}

}  // namespace

std::int64_t TimeZone::ToUtc(std::int64_t localSeconds) const {
    const std::int32_t extra = IsDaylight(rule, localSeconds) ? rule.daylightBias : rule.standardBias;
    return localSeconds + (std::int64_t{rule.bias} + extra) * 60;
}

std::int64_t TimeZone::ToLocal(std::int64_t utcSeconds) const {
    const std::int64_t daylight = utcSeconds - (std::int64_t{rule.bias} + rule.daylightBias) * 60;
    if (IsDaylight(rule, daylight)) return daylight;
    return utcSeconds - (std::int64_t{rule.bias} + rule.standardBias) * 60;
}

std::optional<TimeZone> ReadTimeZone(const CalendarComponent& vtimezone, std::vector<CalendarIssue>& issues) {
    TimeZone zone;
    if (const CalendarProperty* id = vtimezone.Find("TZID")) zone.id = UnescapeText(id->value);
    const CalendarComponent* standard = LatestOnset(vtimezone, "STANDARD");
    const CalendarComponent* daylight = LatestOnset(vtimezone, "DAYLIGHT");
    // A zone written with daylight onsets only keeps that offset all year.
    const CalendarComponent* base = standard ? standard : daylight;
    const auto baseOffset = base ? OffsetTo(*base) : std::nullopt;
    if (!baseOffset) {
        issues.push_back({CalendarIssueKind::InvalidTimeZone, vtimezone.offset, "no onset with a TZOFFSETTO"});
        return std::nullopt;
    }
    zone.rule.bias = -*baseOffset / 60;
    if (const auto start = StartOf(*base); start && start->date.year > 1601) {
        zone.firstYear = static_cast<std::uint16_t>(start->date.year > 30827 ? 30827 : start->date.year);
    }
    if (standard && daylight) {
        const auto daylightOffset = OffsetTo(*daylight);
        const auto standardDate = OnsetTime(*standard);
        const auto daylightDate = OnsetTime(*daylight);
        if (daylightOffset && standardDate && daylightDate) {
            zone.rule.daylightBias = -*daylightOffset / 60 - zone.rule.bias;
            zone.rule.standardDate = *standardDate;
            zone.rule.daylightDate = *daylightDate;
        } else {
            issues.push_back({CalendarIssueKind::InvalidTimeZone, daylight->offset,
                              "daylight onset without a usable rule: standard time all year"});
        }
    }
    return zone;
}

TimeZoneTable::TimeZoneTable(const CalendarComponent& calendar, std::vector<CalendarIssue>& issues) {
    for (const CalendarComponent* vtimezone : calendar.Children("VTIMEZONE")) {
        if (auto zone = ReadTimeZone(*vtimezone, issues)) m_zones.push_back(std::move(*zone));
    }
}

const TimeZone* TimeZoneTable::Find(std::u16string_view id) const {
    const std::u16string wanted = text::ToUpperAscii(id);
    for (const auto& zone : m_zones) {
        if (text::ToUpperAscii(zone.id) == wanted) return &zone;
    }
    return nullptr;
}

}  // namespace mailvane::calendar
