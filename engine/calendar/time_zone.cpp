#include "engine/calendar/time_zone.h"

#include <algorithm>
#include <tuple>

#include "engine/calendar/calendar_values.h"
#include "engine/calendar/civil_date.h"
#include "engine/calendar/known_time_zones.h"
#include "engine/calendar/recurrence_rule.h"
#include "engine/text/ascii_case.h"

namespace mailvane::calendar {

namespace {

constexpr std::int64_t kSecondsPerDay = 86400;
constexpr int kFirstYear = 1601;  // the years a SYSTEMTIME holds
constexpr int kLastYear = 30827;
// A VTIMEZONE is read from at most this many onsets (its RDATEs each count),
// the latest; and keeps at most this many rules, the latest. Real zones
// have a few dozen at most, even with their whole history written out.
constexpr std::size_t kMaxOnsets = 1024;
constexpr std::size_t kMaxRules = 256;

int ClampYear(int year) { return std::clamp(year, kFirstYear, kLastYear); }

std::optional<CalendarDateTime> StartOf(const CalendarComponent& onset) {
    const CalendarProperty* start = onset.Find("DTSTART");
    return start ? ParseDateTime(start->value) : std::nullopt;
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

// One date as a rule's SYSTEMTIME: that date, in its year only.
SystemTime DatedTime(const CalendarDateTime& at) {
    SystemTime time;
    time.year = static_cast<std::uint16_t>(ClampYear(at.date.year));
    time.month = static_cast<std::uint16_t>(at.date.month);
    time.day = static_cast<std::uint16_t>(at.date.day);
    time.dayOfWeek = static_cast<std::uint16_t>(Weekday(at.Days()));
    time.hour = static_cast<std::uint16_t>(at.hour);
    time.minute = static_cast<std::uint16_t>(at.minute);
    time.second = static_cast<std::uint16_t>(at.second);
    return time;
}

// When a yearly RRULE's onsets take effect, as a SYSTEMTIME of the rule
// ([MS-OXCICAL] 2.1.3.1.1.19.2.2); nullopt for a rule it cannot say.
std::optional<SystemTime> YearlyTime(const CalendarDateTime& start, const RecurrenceRule& rule) {
    SystemTime time;
    time.month = static_cast<std::uint16_t>(rule.byMonth.empty() ? start.date.month : rule.byMonth.front());
    time.hour = static_cast<std::uint16_t>(start.hour);
    time.minute = static_cast<std::uint16_t>(start.minute);
    time.second = static_cast<std::uint16_t>(start.second);
    if (rule.byDay.size() == 1) {
        const WeekdayNumber weekday = rule.byDay.front();
        int week = weekday.ordinal;
        if (week == 0 && !rule.bySetPosition.empty()) week = rule.bySetPosition.front();
        if (week == 0) {
            const auto run = WeekOfDayRun(rule.byMonthDay);
            if (!run) return std::nullopt;
            week = *run;
        }
        time.dayOfWeek = static_cast<std::uint16_t>(weekday.weekday);
        time.day = static_cast<std::uint16_t>(week < 0 || week > 5 ? 5 : week);
        return time;
    }
    if (rule.byMonthDay.size() == 1 && rule.byMonthDay.front() > 0) {
        // A fixed day of the month has no yearly SYSTEMTIME: it holds in its first year only.
        time.year = static_cast<std::uint16_t>(ClampYear(start.date.year));
        time.day = static_cast<std::uint16_t>(rule.byMonthDay.front());
        return time;
    }
    return std::nullopt;
}

// One onset of a VTIMEZONE: a STANDARD or DAYLIGHT component's yearly RRULE,
// in force from its DTSTART's year to its UNTIL's (or COUNT's), or a single
// date (a DTSTART without RRULE, an RDATE), in force in its own year.
struct Onset {
    bool daylight = false;
    int firstYear = kFirstYear;
    int lastYear = kLastYear;
    std::int64_t start = 0;  // local seconds of its first onset, for ordering
    std::int32_t offset = 0;
    std::optional<SystemTime> time;  // nullopt: a yearly rule no SYSTEMTIME can say
    std::size_t source = 0;          // the component's byte offset, for issues
    bool reported = false;           // its issue is recorded

    // Orders onsets by the last time each set the clock in or before `year`.
    std::tuple<int, int, int, std::int64_t> LastSetBy(int year) const {
        return {std::min(lastYear, year), time ? time->month : 0, time ? time->day : 0, start};
    }
};

Onset DatedOnset(const CalendarDateTime& at, bool daylight, std::int32_t offset, std::size_t source) {
    Onset onset;
    onset.daylight = daylight;
    onset.firstYear = onset.lastYear = ClampYear(at.date.year);
    onset.start = at.Seconds();
    onset.offset = offset;
    onset.time = DatedTime(at);
    onset.source = source;
    return onset;
}

void AddOnsets(const CalendarComponent& component, std::vector<Onset>& onsets, std::vector<CalendarIssue>& issues) {
    const bool daylight = component.name == "DAYLIGHT";
    const auto start = StartOf(component);
    const auto offset = OffsetTo(component);
    if (!start || !offset) {
        issues.push_back({CalendarIssueKind::InvalidTimeZone, component.offset,
                          component.name + " without a DTSTART or TZOFFSETTO: ignored"});
        return;
    }
    std::optional<RecurrenceRule> rule;
    if (const CalendarProperty* rruleLine = component.Find("RRULE")) {
        std::string error;
        rule = ParseRecurrenceRule(rruleLine->value, error);
        if (!rule || rule->frequency != Frequency::Yearly) {
            issues.push_back({CalendarIssueKind::InvalidTimeZone, rruleLine->offset,
                              "onsets that are not yearly: the first one only"});
            rule.reset();
        }
    }
    if (rule) {
        Onset onset;
        onset.daylight = daylight;
        onset.firstYear = ClampYear(start->date.year);
        if (rule->until) {
            onset.lastYear = ClampYear(rule->until->date.year);
        } else if (rule->count) {
            onset.lastYear = ClampYear(start->date.year + (std::max(*rule->count, 1) - 1) * rule->interval);
        }
        onset.start = start->Seconds();
        onset.offset = *offset;
        onset.time = YearlyTime(*start, *rule);
        onset.source = component.offset;
        onsets.push_back(onset);
    } else {
        onsets.push_back(DatedOnset(*start, daylight, *offset, component.offset));
    }
    for (const CalendarProperty* rdate : component.FindAll("RDATE")) {
        std::string_view values = rdate->value;
        while (!values.empty()) {
            const std::size_t comma = values.find(',');
            if (const auto at = ParseDateTime(values.substr(0, comma))) {
                onsets.push_back(DatedOnset(*at, daylight, *offset, rdate->offset));
            } else {
                issues.push_back({CalendarIssueKind::InvalidDateTime, rdate->offset, "RDATE of a time zone onset"});
            }
            values = comma == std::string_view::npos ? std::string_view() : values.substr(comma + 1);
        }
    }
}

// Of the onsets of a kind whose years hold `year`, the one that began last.
Onset* InForce(std::vector<Onset>& onsets, bool daylight, int year) {
    Onset* found = nullptr;
    for (Onset& onset : onsets) {
        if (onset.daylight != daylight || onset.firstYear > year || onset.lastYear < year) continue;
        if (!found || onset.start >= found->start) found = &onset;
    }
    return found;
}

// The rule of one year. A year with onsets of both kinds has daylight time;
// a year with one kind only keeps that onset's offset all year, and one
// with none the offset the last onset before it set. That is the
// simplification of a TZREG, which cannot change the offset once in a year
// and keep it: a zone that gives up daylight time, or moves its offset,
// converts that year's times before the change with the new offset.
TimeZoneRule RuleOfYear(std::vector<Onset>& onsets, int year, std::vector<CalendarIssue>& issues) {
    Onset* standard = InForce(onsets, false, year);
    Onset* daylight = InForce(onsets, true, year);
    TimeZoneRule rule;
    if (standard && daylight) {
        rule.bias = -standard->offset / 60;
        if (daylight->offset == standard->offset) return rule;
        if (standard->time && daylight->time) {
            rule.daylightBias = -daylight->offset / 60 - rule.bias;
            rule.standardDate = *standard->time;
            rule.daylightDate = *daylight->time;
            return rule;
        }
        Onset& unusable = standard->time ? *daylight : *standard;
        if (!unusable.reported) {
            unusable.reported = true;
            issues.push_back({CalendarIssueKind::InvalidTimeZone, unusable.source,
                              "onset rule no SYSTEMTIME can hold: standard time all year"});
        }
        return rule;
    }
    const Onset* last = standard ? standard : daylight;
    if (!last) {
        for (const Onset& onset : onsets) {
            if (onset.firstYear > year) continue;
            if (!last || onset.LastSetBy(year) > last->LastSetBy(year)) last = &onset;
        }
    }
    if (last) rule.bias = -last->offset / 60;
    return rule;
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

int YearOf(std::int64_t seconds) { return CivilFromDays(DaysFromSeconds(seconds)).year; }

bool IsDaylight(const TimeZoneRule& rule, std::int64_t localSeconds) {
    if (rule.standardDate.month == 0 || rule.daylightDate.month == 0) return false;
    const int year = YearOf(localSeconds);
    const auto begins = TransitionIn(rule.daylightDate, year);
    const auto ends = TransitionIn(rule.standardDate, year);
    if (!begins || !ends) return false;
    if (*begins < *ends) return localSeconds >= *begins && localSeconds < *ends;
    // Southern hemisphere: daylight time spans the turn of the year.
    return localSeconds >= *begins || localSeconds < *ends;
}

}  // namespace

std::size_t TimeZone::RuleIndexFor(int year) const {
    std::size_t index = 0;
    while (index + 1 < rules.size() && rules[index + 1].year <= year) ++index;
    return index;
}

const TimeZoneRule& TimeZone::RuleFor(int year) const {
    static constexpr TimeZoneRule kNoOffset{};
    return rules.empty() ? kNoOffset : rules[RuleIndexFor(year)].rule;
}

std::int64_t TimeZone::ToUtc(std::int64_t localSeconds) const {
    const TimeZoneRule& rule = RuleFor(YearOf(localSeconds));
    const std::int32_t extra = IsDaylight(rule, localSeconds) ? rule.daylightBias : rule.standardBias;
    return localSeconds + (std::int64_t{rule.bias} + extra) * 60;
}

std::int64_t TimeZone::ToLocal(std::int64_t utcSeconds) const {
    const TimeZoneRule& rule = RuleFor(YearOf(utcSeconds));
    const std::int64_t daylight = utcSeconds - (std::int64_t{rule.bias} + rule.daylightBias) * 60;
    if (IsDaylight(rule, daylight)) return daylight;
    return utcSeconds - (std::int64_t{rule.bias} + rule.standardBias) * 60;
}

std::optional<TimeZone> ReadTimeZone(const CalendarComponent& vtimezone, std::vector<CalendarIssue>& issues) {
    TimeZone zone;
    if (const CalendarProperty* id = vtimezone.Find("TZID")) zone.id = UnescapeText(id->value);
    std::vector<Onset> onsets;
    for (const CalendarComponent& child : vtimezone.children) {
        if (child.name == "STANDARD" || child.name == "DAYLIGHT") AddOnsets(child, onsets, issues);
    }
    if (onsets.empty()) {
        issues.push_back({CalendarIssueKind::InvalidTimeZone, vtimezone.offset, "no onset with a TZOFFSETTO"});
        return std::nullopt;
    }
    if (onsets.size() > kMaxOnsets) {
        std::stable_sort(onsets.begin(), onsets.end(),
                         [](const Onset& a, const Onset& b) { return a.start < b.start; });
        onsets.erase(onsets.begin(), onsets.end() - kMaxOnsets);
        issues.push_back({CalendarIssueKind::InvalidTimeZone, vtimezone.offset, "too many onsets: the oldest ignored"});
    }
    // The rules change only in the years an onset begins, or the year after one ends.
    std::vector<int> years;
    for (const Onset& onset : onsets) {
        years.push_back(onset.firstYear);
        if (onset.lastYear < kLastYear) years.push_back(onset.lastYear + 1);
    }
    std::sort(years.begin(), years.end());
    years.erase(std::unique(years.begin(), years.end()), years.end());
    for (int year : years) {
        const TimeZoneRule rule = RuleOfYear(onsets, year, issues);
        if (zone.rules.empty() || zone.rules.back().rule != rule) {
            zone.rules.push_back({static_cast<std::uint16_t>(year), rule});
        }
    }
    if (zone.rules.size() > kMaxRules) {
        zone.rules.erase(zone.rules.begin(), zone.rules.end() - kMaxRules);
        issues.push_back({CalendarIssueKind::InvalidTimeZone, vtimezone.offset, "too many rules: the oldest dropped"});
    }
    return zone;
}

TimeZone UtcTimeZone() {
    TimeZone zone;
    zone.id = u"UTC";
    zone.keyName = u"UTC";
    zone.rules.push_back({});
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

std::optional<TimeZone> TimeZoneTable::Resolve(std::u16string_view id) const {
    if (const TimeZone* zone = Find(id)) return *zone;
    if (const KnownTimeZone* known = FindKnownTimeZone(id)) return known->ToTimeZone(id);
    return std::nullopt;
}

}  // namespace mailvane::calendar
