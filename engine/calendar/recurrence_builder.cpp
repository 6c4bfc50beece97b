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

std::uint32_t DayMinutes(std::int64_t day) { return LocalMinutes(day * kSecondsPerDay); }

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

bool InOutlooksRange(std::int64_t day) {
    const int year = CivilFromDays(day).year;
    return year >= 1601 && year <= kLastYear;
}

// A change of one instance, at its place among the instances of the series.
struct PlacedChange {
    const ChangedInstance* change = nullptr;
    std::size_t position = 0;  // in the instances walked
    std::int64_t day = 0;      // where it moves to
    bool kept = true;
};

// Outlook keeps the instances of a series in the series' order, one a day
// (the limits the MAPI reference gives for PidLidAppointmentRecur): a moved
// instance starts on a day after the one before it and before the one after
// it, each where it stands itself, moved or not; deleted instances do not
// count. The last instance may move past the end of the series and the
// first before its start.
//
// Of two neighbours out of order, the change dropped is the one that moved
// past the other's own day (when both or neither did, the later one); a
// change whose day Outlook cannot hold goes too. A dropped change leaves
// its instance where the series puts it, so the changes beside it are
// checked again. A change is dropped at most once, which bounds the work
// by the number of changes, and what is kept in the end holds the order
// against the neighbours as they end up. `changes` come in the order of
// their instances; `live` says which instances are not deleted, and `after`
// is the day of the instance after the last one walked, if the walk
// stopped short of the series' end.
void KeepInOrder(const std::vector<std::int64_t>& days, const std::vector<bool>& live,
                 std::optional<std::int64_t> after, std::vector<PlacedChange>& changes) {
    if (changes.empty()) return;
    constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    const std::size_t count = days.size();
    std::vector<std::size_t> changeAt(count, kNone);
    for (std::size_t i = 0; i < changes.size(); ++i) changeAt[changes[i].position] = i;
    // The nearest instances before and after each that are not deleted.
    std::vector<std::size_t> before(count, kNone);
    std::vector<std::size_t> next(count, kNone);
    for (std::size_t i = 1; i < count; ++i) before[i] = live[i - 1] ? i - 1 : before[i - 1];
    for (std::size_t i = count; i-- > 1;) next[i - 1] = live[i] ? i : next[i];
    auto kept = [&](std::size_t position) -> PlacedChange* {
        const std::size_t index = changeAt[position];
        return index != kNone && changes[index].kept ? &changes[index] : nullptr;
    };
    auto at = [&](std::size_t position) {
        const PlacedChange* change = kept(position);
        return change ? change->day : days[position];
    };
    // The change to drop of two neighbours out of order, else null.
    auto culprit = [&](std::size_t earlier, std::size_t later) -> PlacedChange* {
        if (at(earlier) < at(later)) return nullptr;
        PlacedChange* first = kept(earlier);
        PlacedChange* second = kept(later);
        if (!first || !second) return first ? first : second;
        const bool firstCrosses = first->day >= days[later];
        const bool secondCrosses = second->day <= days[earlier];
        return firstCrosses && !secondCrosses ? first : second;
    };
    std::vector<std::size_t> work(changes.size());
    for (std::size_t i = 0; i < work.size(); ++i) work[i] = work.size() - 1 - i;
    while (!work.empty()) {
        PlacedChange& change = changes[work.back()];
        work.pop_back();
        if (!change.kept) continue;
        const std::size_t previous = before[change.position];
        const std::size_t following = next[change.position];
        PlacedChange* dropped = InOutlooksRange(change.day) ? nullptr : &change;
        if (!dropped && previous != kNone) dropped = culprit(previous, change.position);
        if (!dropped && following != kNone) dropped = culprit(change.position, following);
        if (!dropped && following == kNone && after && change.day >= *after) dropped = &change;
        if (!dropped) continue;
        dropped->kept = false;
        for (const std::size_t neighbour : {before[dropped->position], next[dropped->position]}) {
            if (neighbour != kNone && kept(neighbour)) work.push_back(changeAt[neighbour]);
        }
        if (dropped != &change) work.push_back(static_cast<std::size_t>(&change - changes.data()));
    }
}

}  // namespace

std::uint32_t LocalMinutes(std::int64_t localSeconds) {
    const std::int64_t minutes = (localSeconds + kDaysFrom1601To1970 * kSecondsPerDay) / 60;
    return minutes < 0 ? 0 : (minutes > 0xFFFFFFFF ? 0xFFFFFFFF : static_cast<std::uint32_t>(minutes));
}

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
    // The days of the instances, kept only when changes need their neighbours.
    std::vector<std::int64_t> walked;
    std::optional<std::int64_t> dayAfterWalk;
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
        if (endless && *day > lastWanted) {
            dayAfterWalk = *day;
            break;
        }
        if (cycle.dayMustExist && CivilFromDays(*day).day != static_cast<int>(pattern.patternSpecific)) {
            unsupported = MissingDayReason(pattern);
            return std::nullopt;
        }
        if (!first) first = *day;
        last = *day;
        ++count;
        if (wanted.count(*day)) instancesWanted.insert(*day);
        if (!request.changed.empty()) walked.push_back(*day);
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

    // Deleted: the EXDATEs and cancelled instances on days of the series.
    // The first change of an instance counts; an instance an EXDATE takes
    // out of the series has none left to change (RFC 5545 3.8.5.1).
    std::set<std::int64_t> deletedDays;
    for (std::int64_t start : request.deletedStarts) {
        if (instancesWanted.count(DayOf(start))) deletedDays.insert(DayOf(start));
    }
    std::set<std::int64_t> changedDays;
    std::vector<const ChangedInstance*> moves;
    for (const auto& change : request.changed) {
        const std::int64_t originalDay = DayOf(change.originalStart);
        if (!instancesWanted.count(originalDay) || deletedDays.count(originalDay)) continue;
        if (!changedDays.insert(originalDay).second) continue;
        if (change.cancelled) {
            deletedDays.insert(originalDay);
        } else {
            moves.push_back(&change);
        }
    }
    std::vector<bool> live(walked.size());
    std::vector<PlacedChange> placed;
    for (std::size_t i = 0; i < walked.size(); ++i) live[i] = !deletedDays.count(walked[i]);
    for (const ChangedInstance* change : moves) {
        const auto position = std::lower_bound(walked.begin(), walked.end(), DayOf(change->originalStart));
        placed.push_back({change, static_cast<std::size_t>(position - walked.begin()), DayOf(change->start)});
    }
    std::sort(placed.begin(), placed.end(),
              [](const PlacedChange& a, const PlacedChange& b) { return a.position < b.position; });
    KeepInOrder(walked, live, dayAfterWalk, placed);

    std::set<std::uint32_t> deleted;
    std::set<std::uint32_t> modified;
    for (std::int64_t day : deletedDays) deleted.insert(DayMinutes(day));
    // Kept in the order of the instances, which is the order of their new
    // days and so of the modified dates.
    for (const PlacedChange& move : placed) {
        if (!move.kept) continue;
        const ChangedInstance& change = *move.change;
        deleted.insert(DayMinutes(DayOf(change.originalStart)));
        modified.insert(DayMinutes(move.day));
        RecurrenceException exception = change.overrides;
        exception.startDateTime = LocalMinutes(change.start);
        exception.endDateTime = LocalMinutes(change.end);
        exception.originalStartDate = LocalMinutes(change.originalStart);
        recurrence.exceptions.push_back(std::move(exception));
    }
    pattern.deletedInstanceDates.assign(deleted.begin(), deleted.end());
    pattern.modifiedInstanceDates.assign(modified.begin(), modified.end());

    recurrence.startTimeOffset = static_cast<std::uint32_t>(startSecondOfDay / 60);
    const std::int64_t durationMinutes = request.durationSeconds > 0 ? request.durationSeconds / 60 : 0;
    recurrence.endTimeOffset =
        recurrence.startTimeOffset + static_cast<std::uint32_t>(std::min<std::int64_t>(durationMinutes, 0x7FFFFFFF));
    return recurrence;
}

}  // namespace mailvane::calendar
