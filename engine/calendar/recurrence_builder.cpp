#include "engine/calendar/recurrence_builder.h"

#include <algorithm>
#include <set>

#include "engine/calendar/civil_date.h"

namespace mailvane::calendar {

namespace {

constexpr std::int64_t kSecondsPerDay = 86400;
constexpr int kLastYear = 4500;  // past it, a series counts as endless

std::int64_t DayOf(std::int64_t seconds) {
    std::int64_t day = seconds / kSecondsPerDay;
    if (seconds < 0 && seconds % kSecondsPerDay != 0) --day;
    return day;
}

std::uint32_t Minutes(std::int64_t seconds) {
    const std::int64_t minutes = (seconds + kDaysFrom1601To1970 * kSecondsPerDay) / 60;
    return minutes < 0 ? 0 : (minutes > 0xFFFFFFFF ? 0xFFFFFFFF : static_cast<std::uint32_t>(minutes));
}

std::uint32_t DayMinutes(std::int64_t day) { return Minutes(day * kSecondsPerDay); }

std::int64_t MonthIndex(const CivilDate& date) { return std::int64_t{date.year} * 12 + date.month - 1; }

// The days of a pattern's instances in order, from a first day on.
class InstanceDays {
public:
    InstanceDays(const RecurrencePattern& pattern, std::int64_t firstDay, std::int64_t firstMonth)
        : m_pattern(pattern), m_firstDay(firstDay), m_month(firstMonth) {
        if (pattern.type == PatternType::Day) m_next = firstDay;
        if (pattern.type == PatternType::Week) {
            const int back = (Weekday(firstDay) - static_cast<int>(pattern.firstDayOfWeek) + 7) % 7;
            m_next = firstDay - back;
        }
    }

    std::optional<std::int64_t> Next() {
        while (true) {
            const std::optional<std::int64_t> day = Candidate();
            if (!day || CivilFromDays(*day).year > kLastYear) return std::nullopt;
            if (*day >= m_firstDay) return day;
        }
    }

private:
    std::optional<std::int64_t> Candidate() {
        switch (m_pattern.type) {
            case PatternType::Day: {
                const std::int64_t day = m_next;
                m_next += m_pattern.period / 1440;
                return day;
            }
            case PatternType::Week:
                // Walk the days of each week of the cycle; weeks in between are skipped.
                while (true) {
                    if (m_weekDay == 7) {
                        m_weekDay = 0;
                        m_next += 7 * std::int64_t{m_pattern.period};
                        if (CivilFromDays(m_next).year > kLastYear) return std::nullopt;
                    }
                    const std::int64_t day = m_next + m_weekDay++;
                    if (m_pattern.patternSpecific & (1u << Weekday(day))) return day;
                }
            case PatternType::Month:
            case PatternType::MonthNth: {
                const std::int64_t index = m_month;
                m_month += m_pattern.period;
                const int year = static_cast<int>(index / 12);
                const int month = static_cast<int>(index % 12) + 1;
                if (year > kLastYear) return std::nullopt;
                if (m_pattern.type == PatternType::Month) {
                    const int length = DaysInMonth(year, month);
                    const int day = static_cast<int>(m_pattern.patternSpecific) > length
                                        ? length
                                        : static_cast<int>(m_pattern.patternSpecific);
                    return DaysFromCivil({year, month, day});
                }
                return NthMatchingDay(year, month);
            }
        }
        return std::nullopt;
    }

    // The n-th day of a month (the last for 5) whose weekday is in the mask.
    std::int64_t NthMatchingDay(int year, int month) const {
        const std::int64_t first = DaysFromCivil({year, month, 1});
        const int length = DaysInMonth(year, month);
        std::int64_t found = first;
        int seen = 0;
        if (m_pattern.nth >= 5) {
            for (int i = length - 1; i >= 0; --i) {
                if (m_pattern.patternSpecific & (1u << Weekday(first + i))) return first + i;
            }
            return found;
        }
        for (int i = 0; i < length; ++i) {
            if (m_pattern.patternSpecific & (1u << Weekday(first + i))) {
                found = first + i;
                if (++seen == static_cast<int>(m_pattern.nth)) break;
            }
        }
        return found;
    }

    const RecurrencePattern& m_pattern;
    std::int64_t m_firstDay;
    std::int64_t m_month;
    std::int64_t m_next = 0;
    int m_weekDay = 0;
};

// Whether a month of the cycle, over the 400 years after which the calendar
// repeats, is too short for the pattern's day.
bool CycleMeetsAShortMonth(const RecurrencePattern& pattern, std::int64_t firstMonth) {
    const std::int64_t step = pattern.period == 0 ? 1 : pattern.period;
    for (std::int64_t index = firstMonth; index < firstMonth + 400 * 12; index += step) {
        if (DaysInMonth(static_cast<int>(index / 12), static_cast<int>(index % 12) + 1) <
            static_cast<int>(pattern.patternSpecific)) {
            return true;
        }
    }
    return false;
}

std::string MissingDayReason(const RecurrencePattern& pattern) {
    return "day " + std::to_string(pattern.patternSpecific) +
           " of the month, which some months of the series lack (Outlook would move it to their last day)";
}

std::uint32_t WeekdayMask(const std::vector<WeekdayNumber>& days) {
    std::uint32_t mask = 0;
    for (const auto& day : days) mask |= 1u << day.weekday;
    return mask;
}

bool AllWithoutOrdinal(const std::vector<WeekdayNumber>& days) {
    return std::all_of(days.begin(), days.end(), [](const WeekdayNumber& d) { return d.ordinal == 0; });
}

// The week of the month an ordinal names: 1 to 4, or 5 for the last.
std::optional<std::uint32_t> WeekOfMonth(int ordinal) {
    if (ordinal >= 1 && ordinal <= 4) return static_cast<std::uint32_t>(ordinal);
    if (ordinal == -1) return 5u;
    return std::nullopt;
}

// Where a pattern's cycle starts, and what the rule asks of its days.
struct PatternCycle {
    std::int64_t firstMonth = 0;  // year * 12 + month - 1
    // A day of the month counted from its start (BYMONTHDAY=30, or the day of
    // DTSTART): a month too short for it has no instance, where Outlook's
    // pattern would put one on its last day.
    bool dayMustExist = false;
};

// Monthly and yearly rules by weekday: "BYDAY=2MO" or "BYDAY=MO,TU;BYSETPOS=-1".
bool ReadNthWeekday(const RecurrenceRule& rule, RecurrencePattern& pattern, std::string& unsupported) {
    std::optional<std::uint32_t> week;
    if (rule.byDay.size() == 1 && rule.byDay.front().ordinal != 0 && rule.bySetPosition.empty()) {
        week = WeekOfMonth(rule.byDay.front().ordinal);
    } else if (AllWithoutOrdinal(rule.byDay) && rule.bySetPosition.size() == 1) {
        week = WeekOfMonth(rule.bySetPosition.front());
    }
    if (!week) {
        unsupported = "BYDAY/BYSETPOS names no single week of the month";
        return false;
    }
    pattern.type = PatternType::MonthNth;
    pattern.patternSpecific = WeekdayMask(rule.byDay);
    pattern.nth = *week;
    return true;
}

bool ReadDayOfMonth(const RecurrenceRule& rule, const CivilDate& start, RecurrencePattern& pattern, PatternCycle& cycle,
                    std::string& unsupported) {
    if (rule.byMonthDay.size() > 1 || !rule.bySetPosition.empty()) {
        unsupported = "more than one day of the month";
        return false;
    }
    int day = rule.byMonthDay.empty() ? start.day : rule.byMonthDay.front();
    // The last day of the month: Outlook's day 31 lands on the last day of shorter months.
    cycle.dayMustExist = day > 28;
    if (day == -1) day = 31;
    if (day < 1) {
        unsupported = "a day counted from the end of the month";
        return false;
    }
    pattern.type = PatternType::Month;
    pattern.patternSpecific = static_cast<std::uint32_t>(day);
    return true;
}

// The pattern fields of a rule, and the month its cycle starts from.
bool ReadPattern(const RecurrenceRule& rule, const CivilDate& start, int startSecondOfDay, RecurrencePattern& pattern,
                 PatternCycle& cycle, std::string& unsupported) {
    const int hour = startSecondOfDay / 3600;
    const int minute = startSecondOfDay / 60 % 60;
    if (!rule.byYearDay.empty() || !rule.byWeekNumber.empty() || rule.byHour.size() > 1 || rule.byMinute.size() > 1 ||
        (rule.byHour.size() == 1 && rule.byHour.front() != hour) ||
        (rule.byMinute.size() == 1 && rule.byMinute.front() != minute)) {
        unsupported = "BYYEARDAY, BYWEEKNO or a time of day other than DTSTART's";
        return false;
    }
    pattern.firstDayOfWeek = static_cast<std::uint32_t>(rule.weekStart.value_or(0));
    cycle.firstMonth = MonthIndex(start);
    const auto interval = static_cast<std::uint32_t>(rule.interval);
    switch (rule.frequency) {
        case Frequency::Daily:
            if (!rule.byMonthDay.empty() || !rule.byMonth.empty() || !rule.bySetPosition.empty()) break;
            if (rule.byDay.empty()) {
                pattern.frequency = RecurFrequency::Daily;
                pattern.type = PatternType::Day;
                pattern.period = interval * 1440;
                return true;
            }
            // "Every weekday" written as a daily rule is a weekly pattern.
            if (interval != 1 || !AllWithoutOrdinal(rule.byDay)) break;
            pattern.frequency = RecurFrequency::Weekly;
            pattern.type = PatternType::Week;
            pattern.period = 1;
            pattern.patternSpecific = WeekdayMask(rule.byDay);
            return true;
        case Frequency::Weekly:
            if (!rule.byMonthDay.empty() || !rule.byMonth.empty() || !rule.bySetPosition.empty() ||
                !AllWithoutOrdinal(rule.byDay)) {
                break;
            }
            pattern.frequency = RecurFrequency::Weekly;
            pattern.type = PatternType::Week;
            pattern.period = interval;
            pattern.patternSpecific =
                rule.byDay.empty() ? 1u << Weekday(DaysFromCivil(start)) : WeekdayMask(rule.byDay);
            return true;
        case Frequency::Monthly:
            if (!rule.byMonth.empty()) break;
            pattern.frequency = RecurFrequency::Monthly;
            pattern.period = interval;
            if (rule.byDay.empty()) return ReadDayOfMonth(rule, start, pattern, cycle, unsupported);
            if (!rule.byMonthDay.empty()) break;
            return ReadNthWeekday(rule, pattern, unsupported);
        case Frequency::Yearly: {
            if (rule.byMonth.size() > 1 || interval > 0xFFFFFFFF / 12) break;
            if (rule.byMonth.empty() && !rule.byMonthDay.empty() && rule.byDay.empty()) {
                // "FREQ=YEARLY;BYMONTHDAY=15" is the 15th of every month of the year.
                if (interval != 1) {
                    unsupported = "a day of every month, in every other year only";
                    return false;
                }
                pattern.frequency = RecurFrequency::Monthly;
                pattern.period = 1;
                return ReadDayOfMonth(rule, start, pattern, cycle, unsupported);
            }
            pattern.frequency = RecurFrequency::Yearly;
            pattern.period = interval * 12;
            int month = rule.byMonth.empty() ? start.month : rule.byMonth.front();
            if (rule.byMonth.empty() && !rule.byDay.empty()) {
                // Weekdays counted in the whole year: the first to the fourth
                // fall in January, the last in December.
                const int ordinal =
                    rule.bySetPosition.size() == 1 ? rule.bySetPosition.front() : rule.byDay.front().ordinal;
                if (ordinal >= 1 && ordinal <= 4) {
                    month = 1;
                } else if (ordinal == -1) {
                    month = 12;
                } else if (ordinal != 0) {
                    unsupported = "a weekday counted in the year beyond the fourth or the last";
                    return false;
                }
            }
            cycle.firstMonth = std::int64_t{start.year} * 12 + month - 1;
            if (rule.byDay.empty()) {
                CivilDate inMonth = start;
                inMonth.month = month;
                return ReadDayOfMonth(rule, inMonth, pattern, cycle, unsupported);
            }
            if (!rule.byMonthDay.empty()) break;
            return ReadNthWeekday(rule, pattern, unsupported);
        }
        default:
            break;
    }
    if (unsupported.empty()) unsupported = "no recurrence pattern has this rule's shape";
    return false;
}

}  // namespace

std::optional<AppointmentRecurrence> BuildRecurrence(const RecurrenceRequest& request, std::string& unsupported) {
    const RecurrenceRule& rule = request.rule;
    const std::int64_t startDay = DayOf(request.start);
    const int startSecondOfDay = static_cast<int>(request.start - startDay * kSecondsPerDay);
    const CivilDate startDate = CivilFromDays(startDay);
    if (startDate.year < 1601 || startDate.year > kLastYear) {
        unsupported = "a start outside 1601 to 4500";
        return std::nullopt;
    }

    AppointmentRecurrence recurrence;
    RecurrencePattern& pattern = recurrence.pattern;
    PatternCycle cycle;
    if (!ReadPattern(rule, startDate, startSecondOfDay, pattern, cycle, unsupported)) return std::nullopt;
    if (pattern.type != PatternType::Day && pattern.patternSpecific == 0) {
        unsupported = "an empty pattern";
        return std::nullopt;
    }

    // The days that deletions and changes name: matched against the series below.
    std::set<std::int64_t> wanted;
    for (std::int64_t deleted : request.deletedStarts) wanted.insert(DayOf(deleted));
    for (const auto& change : request.changed) wanted.insert(DayOf(change.originalStart));
    const std::int64_t lastWanted = wanted.empty() ? startDay : *wanted.rbegin();

    InstanceDays days(pattern, startDay, cycle.firstMonth);
    std::set<std::int64_t> instancesWanted;
    std::optional<std::int64_t> first;
    std::int64_t last = startDay;
    std::size_t count = 0;
    bool endless = !rule.count && !request.until;
    while (count < kMaxWalkedInstances) {
        const auto day = days.Next();
        if (!day) {
            endless = true;
            break;
        }
        if (request.until) {
            const bool past = request.untilIsDate ? *day > DayOf(*request.until)
                                                  : *day * kSecondsPerDay + startSecondOfDay > *request.until;
            if (past) break;
        }
        if (endless && *day > lastWanted) break;
        if (cycle.dayMustExist && CivilFromDays(*day).day != static_cast<int>(pattern.patternSpecific)) {
            unsupported = MissingDayReason(pattern);
            return std::nullopt;
        }
        if (!first) first = *day;
        last = *day;
        ++count;
        if (wanted.count(*day)) instancesWanted.insert(*day);
        if (rule.count && count == static_cast<std::size_t>(*rule.count)) break;
    }
    if (count == kMaxWalkedInstances) endless = true;
    if (endless && cycle.dayMustExist && CycleMeetsAShortMonth(pattern, cycle.firstMonth)) {
        unsupported = MissingDayReason(pattern);
        return std::nullopt;
    }
    if (!first) {
        unsupported = "no instance before the end of the rule";
        return std::nullopt;
    }

    pattern.startDate = DayMinutes(*first);
    if (endless) {
        pattern.end = RecurrenceEnd::Never;
        pattern.occurrenceCount = kEndlessOccurrenceCount;
        pattern.endDate = kEndlessEndDate;
    } else {
        pattern.end = rule.count ? RecurrenceEnd::AfterCount : RecurrenceEnd::AfterDate;
        pattern.occurrenceCount = static_cast<std::uint32_t>(count);
        pattern.endDate = DayMinutes(last);
    }

    std::set<std::uint32_t> deleted;
    std::set<std::uint32_t> modified;
    for (std::int64_t start : request.deletedStarts) {
        if (instancesWanted.count(DayOf(start))) deleted.insert(DayMinutes(DayOf(start)));
    }
    // One change per instance, and at most one instance a day ([MS-OXOCAL]
    // 2.2.1.44.2): a second change of an instance, or a move onto a day
    // another changed instance already took, is left out.
    std::set<std::int64_t> changedDays;
    for (const auto& change : request.changed) {
        const std::int64_t originalDay = DayOf(change.originalStart);
        if (!instancesWanted.count(originalDay) || !changedDays.insert(originalDay).second) continue;
        if (!change.cancelled && modified.count(DayMinutes(DayOf(change.start)))) continue;
        deleted.insert(DayMinutes(originalDay));
        if (change.cancelled) continue;
        modified.insert(DayMinutes(DayOf(change.start)));
        RecurrenceException exception = change.overrides;
        exception.startDateTime = Minutes(change.start);
        exception.endDateTime = Minutes(change.end);
        exception.originalStartDate = Minutes(change.originalStart);
        recurrence.exceptions.push_back(std::move(exception));
    }
    pattern.deletedInstanceDates.assign(deleted.begin(), deleted.end());
    pattern.modifiedInstanceDates.assign(modified.begin(), modified.end());
    std::sort(
        recurrence.exceptions.begin(), recurrence.exceptions.end(),
        [](const RecurrenceException& a, const RecurrenceException& b) { return a.startDateTime < b.startDateTime; });

    recurrence.startTimeOffset = static_cast<std::uint32_t>(startSecondOfDay / 60);
    const std::int64_t durationMinutes = request.durationSeconds > 0 ? request.durationSeconds / 60 : 0;
    recurrence.endTimeOffset =
        recurrence.startTimeOffset + static_cast<std::uint32_t>(std::min<std::int64_t>(durationMinutes, 0x7FFFFFFF));
    return recurrence;
}

}  // namespace mailvane::calendar
