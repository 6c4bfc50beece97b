#include <gtest/gtest.h>

#include "calendar_test_support.h"
#include "engine/calendar/calendar_parser.h"
#include "engine/calendar/civil_date.h"
#include "engine/calendar/meeting_reader.h"
#include "engine/calendar/recurrence_blob.h"
#include "engine/calendar/recurrence_builder.h"

namespace mailvane::calendar {
namespace {

using test::ToHex;

std::int64_t Seconds(int year, int month, int day, int hour = 0, int minute = 0) {
    return DaysFromCivil({year, month, day}) * 86400 + hour * 3600 + minute * 60;
}

std::uint32_t DayMinutes(int year, int month, int day) {
    return static_cast<std::uint32_t>(MinutesSince1601(DaysFromCivil({year, month, day})));
}

RecurrenceRule Rule(std::string_view text) {
    std::string error;
    auto rule = ParseRecurrenceRule(text, error);
    EXPECT_TRUE(rule) << text << ": " << error;
    return rule.value_or(RecurrenceRule{});
}

AppointmentRecurrence Build(const RecurrenceRequest& request) {
    std::string unsupported;
    auto recurrence = BuildRecurrence(request, unsupported);
    EXPECT_TRUE(recurrence) << unsupported;
    return recurrence.value_or(AppointmentRecurrence{});
}

RecurrenceRequest Request(std::string_view rule, std::int64_t start, std::int64_t durationMinutes = 30) {
    RecurrenceRequest request;
    request.rule = Rule(rule);
    request.start = start;
    request.durationSeconds = durationMinutes * 60;
    return request;
}

std::optional<Meeting> MeetingOf(std::string_view events) {
    const std::string text = "BEGIN:VCALENDAR\r\nMETHOD:REQUEST\r\n" + std::string(events) + "END:VCALENDAR\r\n";
    const ParsedCalendar parsed = ParseCalendar(text);
    std::vector<CalendarIssue> issues;
    auto meeting = ReadMeeting(parsed, {"", "fallback"}, issues);
    // The published examples are in floating time, which each of their times records.
    for (const auto& issue : issues) {
        if (issue.kind == CalendarIssueKind::FloatingTime) continue;
        ADD_FAILURE() << CalendarIssueKindName(issue.kind) << ": " << issue.detail;
    }
    return meeting;
}

// [MS-OXOCAL] 4.1.1.3: every three days from 4/7/2011 until 5/4/2011,
// 8:00 to 8:30, with the instances of 4/19 and 4/22 deleted.
constexpr std::string_view kDailyWithDeletions =
    "043004300A2000000000A0050000E010000000000000212000000A0000000000000002000000A0C1DC0C80D2DC0C00000000207EDC0C"
    "0016DD0C0630000009300000E0010000FE01000000000000000000000000";

TEST(RecurrenceBlob, DailyWithDeletedInstancesMatchesThePublishedExample) {
    RecurrenceRequest request = Request("FREQ=DAILY;INTERVAL=3;UNTIL=20110504T080000", Seconds(2011, 4, 7, 8, 0));
    request.until = Seconds(2011, 5, 4, 8, 0);
    request.deletedStarts = {Seconds(2011, 4, 19, 8, 0), Seconds(2011, 4, 22, 8, 0)};
    EXPECT_EQ(ToHex(EncodeAppointmentRecurrence(Build(request))), kDailyWithDeletions);

    // The same series read from an invitation, EXDATEs in one property and
    // an UNTIL given as a date.
    const auto meeting = MeetingOf(
        "BEGIN:VEVENT\r\nUID:daily\r\nDTSTART:20110407T080000\r\nDTEND:20110407T083000\r\n"
        "RRULE:FREQ=DAILY;INTERVAL=3;UNTIL=20110504\r\nEXDATE:20110419T080000,20110422T080000\r\nEND:VEVENT\r\n");
    ASSERT_TRUE(meeting && meeting->recurrence);
    EXPECT_EQ(ToHex(EncodeAppointmentRecurrence(*meeting->recurrence)), kDailyWithDeletions);
}

// [MS-OXOCAL] 4.1.1.2: Monday, Thursday and Friday, 10:00 to 10:30, twelve
// times from 3/26/2007, with the 4/16 instance moved to 11:00 and given the
// subject "Simple Recurrence with exceptions" and the location "34/4141".
constexpr std::string_view kWeeklyWithException =
    "043004300B2001000000C0210000010000000000000032000000222000000C0000000000000001000000A096BC0C01000000A096BC0C"
    "8020BC0C20ADBC0C0630000009300000580200007602000001003499BC0C5299BC0CF898BC0C11002200210053696D706C65205265"
    "63757272656E6365207769746820657863657074696F6E730800070033342F34313431000000000400000000000000000000003499"
    "BC0C5299BC0CF898BC0C2100530069006D0070006C006500200052006500630075007200720065006E006300650020007700690074"
    "006800200065007800630065007000740069006F006E0073000700330034002F0034003100340031000000000000000000";

TEST(RecurrenceBlob, WeeklyWithAnExceptionMatchesThePublishedExample) {
    const auto meeting = MeetingOf(
        "BEGIN:VEVENT\r\nUID:weekly\r\nDTSTART:20070326T100000\r\nDTEND:20070326T103000\r\n"
        "RRULE:FREQ=WEEKLY;BYDAY=MO,TH,FR;COUNT=12\r\nSUMMARY:Simple Recurrence\r\nLOCATION:34/4639\r\n"
        "END:VEVENT\r\n"
        "BEGIN:VEVENT\r\nUID:weekly\r\nRECURRENCE-ID:20070416T100000\r\nDTSTART:20070416T110000\r\n"
        "DTEND:20070416T113000\r\nSUMMARY:Simple Recurrence with exceptions\r\nLOCATION:34/4141\r\nEND:VEVENT\r\n");
    ASSERT_TRUE(meeting && meeting->recurrence);
    const std::vector<std::uint8_t> blob = EncodeAppointmentRecurrence(*meeting->recurrence);
    EXPECT_EQ(blob.size(), 0x106u);
    EXPECT_EQ(ToHex(blob), kWeeklyWithException);
}

// A series written as Outlook exports one: busy, shown tentative until
// answered, with a reminder; `exception` is the VEVENT of one instance.
std::optional<Meeting> SeriesWithException(std::string_view series, std::string_view exception) {
    return MeetingOf(
        "BEGIN:VEVENT\r\nUID:s\r\nRRULE:FREQ=DAILY;COUNT=5\r\nSUMMARY:Stand-up\r\nLOCATION:Room 1\r\n"
        "X-MICROSOFT-CDO-BUSYSTATUS:TENTATIVE\r\nX-MICROSOFT-CDO-INTENDEDSTATUS:BUSY\r\n"
        "BEGIN:VALARM\r\nTRIGGER:-PT15M\r\nEND:VALARM\r\n" +
        std::string(series) + "END:VEVENT\r\nBEGIN:VEVENT\r\nUID:s\r\n" + std::string(exception) + "END:VEVENT\r\n");
}

TEST(ExceptionReading, OnlyWhatDiffersFromTheSeriesIsOverridden) {
    const std::string alarm = "BEGIN:VALARM\r\nTRIGGER:-PT15M\r\nEND:VALARM\r\n";
    const std::string outlookStatus = "X-MICROSOFT-CDO-BUSYSTATUS:TENTATIVE\r\nX-MICROSOFT-CDO-INTENDEDSTATUS:BUSY\r\n";
    struct Case {
        const char* what;
        std::string series;
        std::string exception;
        std::uint16_t flags;
    };
    const Case cases[] = {
        {"moved, written whole as Outlook writes it", "DTSTART:20220316T090000Z\r\nDTEND:20220316T093000Z\r\n",
         "RECURRENCE-ID:20220317T090000Z\r\nDTSTART:20220317T130000Z\r\nDTEND:20220317T133000Z\r\n"
         "SUMMARY:Stand-up\r\nLOCATION:Room 1\r\n" +
             outlookStatus + alarm,
         0},
        {"retitled and relocated", "DTSTART:20220316T090000Z\r\nDTEND:20220316T093000Z\r\n",
         "RECURRENCE-ID:20220317T090000Z\r\nSUMMARY:Retro\r\nLOCATION:Room 2\r\n" + outlookStatus + alarm,
         kOverrideSubject | kOverrideLocation},
        {"free that day", "DTSTART:20220316T090000Z\r\nDTEND:20220316T093000Z\r\n",
         "RECURRENCE-ID:20220317T090000Z\r\nTRANSP:TRANSPARENT\r\n" + alarm, kOverrideBusyStatus},
        {"without its reminder", "DTSTART:20220316T090000Z\r\nDTEND:20220316T093000Z\r\n",
         "RECURRENCE-ID:20220317T090000Z\r\n" + outlookStatus, kOverrideReminder},
        // All day by floating midnights: the instance's own midnights say the same.
        {"retitled day of an all-day series", "DTSTART:20220316T000000\r\nDTEND:20220317T000000\r\n",
         "RECURRENCE-ID:20220318T000000\r\nSUMMARY:Offsite\r\n" + outlookStatus + alarm, kOverrideSubject},
    };
    for (const Case& c : cases) {
        const auto meeting = SeriesWithException(c.series, c.exception);
        ASSERT_TRUE(meeting && meeting->recurrence) << c.what;
        ASSERT_EQ(meeting->recurrence->exceptions.size(), 1u) << c.what;
        EXPECT_EQ(meeting->recurrence->exceptions[0].overrideFlags, c.flags) << c.what;
    }
}

TEST(ExceptionReading, AnInstanceEndingBeforeItStartsLastsNoTime) {
    const auto meeting =
        SeriesWithException("DTSTART:20220316T090000Z\r\nDTEND:20220316T093000Z\r\n",
                            "RECURRENCE-ID:20220317T090000Z\r\nDTSTART:20220317T130000Z\r\n"
                            "DTEND:20220317T120000Z\r\nBEGIN:VALARM\r\nTRIGGER:-PT15M\r\nEND:VALARM\r\n"
                            "X-MICROSOFT-CDO-BUSYSTATUS:TENTATIVE\r\nX-MICROSOFT-CDO-INTENDEDSTATUS:BUSY\r\n");
    ASSERT_TRUE(meeting && meeting->recurrence);
    ASSERT_EQ(meeting->recurrence->exceptions.size(), 1u);
    const RecurrenceException& exception = meeting->recurrence->exceptions[0];
    EXPECT_EQ(exception.startDateTime, DayMinutes(2022, 3, 17) + 780);
    EXPECT_EQ(exception.endDateTime, exception.startDateTime);
}

TEST(ExceptionReading, ChangesTheSeriesCannotTakeAreIssuesAtTheirRecurrenceId) {
    // Daily from 3/16 to 3/20; the VEVENTs of the instances in no order.
    const std::string text =
        "BEGIN:VCALENDAR\r\nMETHOD:REQUEST\r\n"
        "BEGIN:VEVENT\r\nUID:d\r\nRECURRENCE-ID:20220319T090000Z\r\nDESCRIPTION:Third\r\nEND:VEVENT\r\n"
        "BEGIN:VEVENT\r\nUID:d\r\nDTSTART:20220316T090000Z\r\nDTEND:20220316T093000Z\r\n"
        "RRULE:FREQ=DAILY;COUNT=5\r\nEXDATE:20220318T090000Z\r\nDESCRIPTION:Series\r\nEND:VEVENT\r\n"
        "BEGIN:VEVENT\r\nUID:d\r\nRECURRENCE-ID:20220317T090000Z\r\nDESCRIPTION:Series\r\n"
        "ATTENDEE;CN=Guest:mailto:guest@example.com\r\nEND:VEVENT\r\n"
        // Not of the series, changed twice, taken out by the EXDATE, moved
        // onto the next instance's day, and a cancellation of nothing.
        "BEGIN:VEVENT\r\nUID:d\r\nRECURRENCE-ID:20220330T090000Z\r\nEND:VEVENT\r\n"
        "BEGIN:VEVENT\r\nUID:d\r\nRECURRENCE-ID:20220317T090000Z\r\nSUMMARY:Again\r\nEND:VEVENT\r\n"
        "BEGIN:VEVENT\r\nUID:d\r\nRECURRENCE-ID:20220318T090000Z\r\nSUMMARY:Gone\r\nEND:VEVENT\r\n"
        "BEGIN:VEVENT\r\nUID:d\r\nRECURRENCE-ID:20220320T090000Z\r\nDTSTART:20220319T100000Z\r\nEND:VEVENT\r\n"
        "BEGIN:VEVENT\r\nUID:d\r\nRECURRENCE-ID:20220401T090000Z\r\nSTATUS:CANCELLED\r\nEND:VEVENT\r\n"
        // A cancellation after the move of its instance; one of the
        // instance the EXDATE takes out leaves it deleted, as it is.
        "BEGIN:VEVENT\r\nUID:d\r\nRECURRENCE-ID:20220319T090000Z\r\nSTATUS:CANCELLED\r\nEND:VEVENT\r\n"
        "BEGIN:VEVENT\r\nUID:d\r\nRECURRENCE-ID:20220318T090000Z\r\nSTATUS:CANCELLED\r\nEND:VEVENT\r\n"
        "END:VCALENDAR\r\n";
    const ParsedCalendar parsed = ParseCalendar(text);
    std::vector<CalendarIssue> issues;
    const auto meeting = ReadMeeting(parsed, {"", "d"}, issues);
    ASSERT_TRUE(meeting && meeting->recurrence);
    // Kept: 3/17 and 3/19, in the order of the instances, each with its
    // exception object.
    const auto& exceptions = meeting->recurrence->exceptions;
    ASSERT_EQ(exceptions.size(), 2u);
    EXPECT_EQ(exceptions[0].originalStartDate, DayMinutes(2022, 3, 17) + 540);
    EXPECT_EQ(exceptions[1].originalStartDate, DayMinutes(2022, 3, 19) + 540);
    ASSERT_EQ(meeting->exceptions.size(), 2u);
    EXPECT_FALSE(meeting->exceptions[0].text) << "the series' own text";
    ASSERT_EQ(meeting->exceptions[0].attendees.size(), 1u);
    EXPECT_EQ(meeting->exceptions[0].attendees[0].address, u"guest@example.com");
    EXPECT_EQ(meeting->exceptions[1].text, std::u16string(u"Third"));
    EXPECT_TRUE(meeting->exceptions[1].attendees.empty());

    std::vector<std::string> unplaced;
    for (const CalendarIssue& issue : issues) {
        ASSERT_EQ(issue.kind, CalendarIssueKind::UnplacedInstance) << issue.detail;
        ASSERT_LT(issue.offset, text.size());
        unplaced.push_back(text.substr(issue.offset, 29));
    }
    EXPECT_EQ(unplaced, (std::vector<std::string>{"RECURRENCE-ID:20220330T090000", "RECURRENCE-ID:20220317T090000",
                                                  "RECURRENCE-ID:20220318T090000", "RECURRENCE-ID:20220320T090000",
                                                  "RECURRENCE-ID:20220401T090000", "RECURRENCE-ID:20220319T090000"}));
}

TEST(RecurrencePattern, FirstDateTimeFollowsTheCycleOfEachPattern) {
    RecurrencePattern pattern;
    pattern.type = PatternType::Week;
    pattern.period = 1;
    pattern.startDate = DayMinutes(2007, 3, 26);
    EXPECT_EQ(pattern.FirstDateTime(), 0x21C0u);  // any Sunday: six days after Monday 1601-01-01
    pattern.firstDayOfWeek = 1;
    EXPECT_EQ(pattern.FirstDateTime(), 0u);  // weeks from Monday: 1601-01-01 itself
    pattern.period = 2;
    EXPECT_EQ(pattern.FirstDateTime() % (7 * 1440), 0u);

    pattern.type = PatternType::Month;
    pattern.startDate = DayMinutes(2022, 3, 15);
    pattern.period = 2;
    EXPECT_EQ(pattern.FirstDateTime(), 0u);  // 5054 months since 1601 is even
    pattern.period = 3;
    EXPECT_EQ(pattern.FirstDateTime(), (31u + 28u) * 1440u);  // 5054 % 3 = 2: March 1601
    pattern.type = PatternType::MonthNth;
    pattern.period = 12;
    pattern.startDate = DayMinutes(2022, 10, 12);
    EXPECT_EQ(pattern.FirstDateTime(), 273u * 1440u);  // October 1601
}

TEST(RecurrenceBuilder, MonthlyByDayOfMonth) {
    RecurrenceRequest request = Request("FREQ=MONTHLY;BYMONTHDAY=28;COUNT=4", Seconds(2022, 1, 28, 9, 0), 60);
    const AppointmentRecurrence r = Build(request);
    EXPECT_EQ(r.pattern.frequency, RecurFrequency::Monthly);
    EXPECT_EQ(r.pattern.type, PatternType::Month);
    EXPECT_EQ(r.pattern.period, 1u);
    EXPECT_EQ(r.pattern.patternSpecific, 28u);
    EXPECT_EQ(r.pattern.end, RecurrenceEnd::AfterCount);
    EXPECT_EQ(r.pattern.occurrenceCount, 4u);
    EXPECT_EQ(r.pattern.startDate, DayMinutes(2022, 1, 28));
    EXPECT_EQ(r.pattern.endDate, DayMinutes(2022, 4, 28));
    EXPECT_EQ(r.startTimeOffset, 540u);
    EXPECT_EQ(r.endTimeOffset, 600u);

    const AppointmentRecurrence last = Build(Request("FREQ=MONTHLY;BYMONTHDAY=-1;INTERVAL=2", Seconds(2022, 1, 31)));
    EXPECT_EQ(last.pattern.patternSpecific, 31u);
    EXPECT_EQ(last.pattern.period, 2u);
    EXPECT_EQ(last.pattern.end, RecurrenceEnd::Never);
    EXPECT_EQ(last.pattern.occurrenceCount, kEndlessOccurrenceCount);
    EXPECT_EQ(last.pattern.endDate, kEndlessEndDate);
}

TEST(RecurrenceBuilder, MonthlyByNthWeekday) {
    // The third Sunday, four times.
    const AppointmentRecurrence third = Build(Request("FREQ=MONTHLY;BYDAY=3SU;COUNT=4", Seconds(2022, 1, 16, 10, 0)));
    EXPECT_EQ(third.pattern.type, PatternType::MonthNth);
    EXPECT_EQ(third.pattern.patternSpecific, 0x01u);
    EXPECT_EQ(third.pattern.nth, 3u);
    EXPECT_EQ(third.pattern.endDate, DayMinutes(2022, 4, 17));
    // The last weekday of the month, until the end of June.
    RecurrenceRequest weekdays =
        Request("FREQ=MONTHLY;BYDAY=MO,TU,WE,TH,FR;BYSETPOS=-1;UNTIL=20220630T235959Z", Seconds(2022, 1, 31, 15, 30));
    weekdays.until = Seconds(2022, 6, 30, 23, 59);
    const AppointmentRecurrence lastWeekday = Build(weekdays);
    EXPECT_EQ(lastWeekday.pattern.patternSpecific, 0x3Eu);
    EXPECT_EQ(lastWeekday.pattern.nth, 5u);
    EXPECT_EQ(lastWeekday.pattern.end, RecurrenceEnd::AfterDate);
    EXPECT_EQ(lastWeekday.pattern.occurrenceCount, 6u);
    EXPECT_EQ(lastWeekday.pattern.endDate, DayMinutes(2022, 6, 30));
    EXPECT_EQ(lastWeekday.startTimeOffset, 930u);
}

TEST(RecurrenceBuilder, YearlyByDateAndByNthWeekday) {
    const AppointmentRecurrence birthday =
        Build(Request("FREQ=YEARLY;BYMONTHDAY=12;BYMONTH=10", Seconds(1975, 10, 12), 24 * 60));
    EXPECT_EQ(birthday.pattern.frequency, RecurFrequency::Yearly);
    EXPECT_EQ(birthday.pattern.type, PatternType::Month);
    EXPECT_EQ(birthday.pattern.period, 12u);
    EXPECT_EQ(birthday.pattern.patternSpecific, 12u);
    EXPECT_EQ(birthday.endTimeOffset, 1440u);

    // The first Monday of October every three years, seven times; the series
    // starts in March, so its first instance is that October.
    const AppointmentRecurrence nth =
        Build(Request("FREQ=YEARLY;BYDAY=MO;BYSETPOS=1;BYMONTH=10;INTERVAL=3;COUNT=7", Seconds(2022, 3, 1, 9, 0)));
    EXPECT_EQ(nth.pattern.type, PatternType::MonthNth);
    EXPECT_EQ(nth.pattern.period, 36u);
    EXPECT_EQ(nth.pattern.patternSpecific, 0x02u);
    EXPECT_EQ(nth.pattern.nth, 1u);
    EXPECT_EQ(nth.pattern.startDate, DayMinutes(2022, 10, 3));
    EXPECT_EQ(nth.pattern.endDate, DayMinutes(2040, 10, 1));
}

TEST(RecurrenceBuilder, WeeklyAndDailyWeekdays) {
    const AppointmentRecurrence weekly =
        Build(Request("FREQ=WEEKLY;INTERVAL=2;BYDAY=SU,MO;WKST=MO;COUNT=4", Seconds(2022, 3, 13, 8, 0)));
    EXPECT_EQ(weekly.pattern.period, 2u);
    EXPECT_EQ(weekly.pattern.firstDayOfWeek, 1u);
    // Weeks start on Monday: Sunday the 13th ends a week, Monday the 21st
    // and Sunday the 27th share the next one of the cycle.
    EXPECT_EQ(weekly.pattern.startDate, DayMinutes(2022, 3, 13));
    EXPECT_EQ(weekly.pattern.endDate, DayMinutes(2022, 4, 4));

    const AppointmentRecurrence weekdays =
        Build(Request("FREQ=DAILY;BYDAY=MO,TU,WE,TH,FR;COUNT=6", Seconds(2022, 3, 18)));
    EXPECT_EQ(weekdays.pattern.frequency, RecurFrequency::Weekly);
    EXPECT_EQ(weekdays.pattern.patternSpecific, 0x3Eu);
    EXPECT_EQ(weekdays.pattern.endDate, DayMinutes(2022, 3, 25));

    // Without BYDAY a weekly series repeats the weekday of its start.
    const AppointmentRecurrence plain = Build(Request("FREQ=WEEKLY", Seconds(2022, 3, 16)));
    EXPECT_EQ(plain.pattern.patternSpecific, 1u << 3);
}

TEST(RecurrenceBuilder, DeletionsOffTheSeriesAreDropped) {
    RecurrenceRequest request = Request("FREQ=DAILY;COUNT=5", Seconds(2022, 3, 16, 11, 0));
    request.deletedStarts = {Seconds(2022, 3, 18, 11, 0), Seconds(2022, 3, 18, 11, 0), Seconds(2022, 3, 30, 11, 0),
                             Seconds(2022, 3, 10, 11, 0)};
    const AppointmentRecurrence r = Build(request);
    EXPECT_EQ(r.pattern.deletedInstanceDates, std::vector<std::uint32_t>{DayMinutes(2022, 3, 18)});
    EXPECT_EQ(r.pattern.occurrenceCount, 5u);
}

TEST(RecurrenceBuilder, ChangedInstancesBecomeExceptionsOrDeletions) {
    RecurrenceRequest request = Request("FREQ=DAILY;COUNT=5", Seconds(2022, 3, 16, 11, 0));
    ChangedInstance moved;
    moved.originalStart = Seconds(2022, 3, 17, 11, 0);
    moved.start = Seconds(2022, 3, 17, 5, 0);
    moved.end = Seconds(2022, 3, 17, 5, 30);
    moved.overrides.overrideFlags = kOverrideLocation;
    moved.overrides.location = u"Elsewhere";
    ChangedInstance cancelled;
    cancelled.originalStart = Seconds(2022, 3, 19, 11, 0);
    cancelled.cancelled = true;
    ChangedInstance stray;  // names no instance of the series
    stray.originalStart = Seconds(2022, 4, 1, 11, 0);
    request.changed = {moved, cancelled, stray};
    const AppointmentRecurrence r = Build(request);
    EXPECT_EQ(r.pattern.deletedInstanceDates,
              (std::vector<std::uint32_t>{DayMinutes(2022, 3, 17), DayMinutes(2022, 3, 19)}));
    EXPECT_EQ(r.pattern.modifiedInstanceDates, std::vector<std::uint32_t>{DayMinutes(2022, 3, 17)});
    ASSERT_EQ(r.exceptions.size(), 1u);
    EXPECT_EQ(r.exceptions[0].startDateTime, DayMinutes(2022, 3, 17) + 300);
    EXPECT_EQ(r.exceptions[0].endDateTime, DayMinutes(2022, 3, 17) + 330);
    EXPECT_EQ(r.exceptions[0].originalStartDate, DayMinutes(2022, 3, 17) + 660);
    EXPECT_EQ(r.exceptions[0].location, u"Elsewhere");
}

TEST(RecurrenceBuilder, OneChangePerInstanceAndPerDay) {
    // A fuzzer finding: two exceptions of the same instance gave two
    // exceptions for one deleted date.
    RecurrenceRequest request = Request("FREQ=DAILY;COUNT=5", Seconds(2022, 3, 16, 11, 0));
    ChangedInstance first;
    first.originalStart = Seconds(2022, 3, 17, 11, 0);
    first.start = Seconds(2022, 3, 17, 13, 0);
    first.end = Seconds(2022, 3, 17, 13, 30);
    ChangedInstance again = first;
    again.start = Seconds(2022, 3, 17, 15, 0);
    ChangedInstance sameDay = first;  // another instance moved onto the 17th
    sameDay.originalStart = Seconds(2022, 3, 18, 11, 0);
    request.changed = {first, again, sameDay};
    const AppointmentRecurrence r = Build(request);
    ASSERT_EQ(r.exceptions.size(), 1u);
    EXPECT_EQ(r.exceptions[0].startDateTime, DayMinutes(2022, 3, 17) + 780);
    EXPECT_EQ(r.pattern.deletedInstanceDates, std::vector<std::uint32_t>{DayMinutes(2022, 3, 17)});
    EXPECT_EQ(r.pattern.modifiedInstanceDates, std::vector<std::uint32_t>{DayMinutes(2022, 3, 17)});
}

ChangedInstance Moved(std::int64_t originalStart, std::int64_t start, std::int64_t minutes = 30) {
    ChangedInstance change;
    change.originalStart = originalStart;
    change.start = start;
    change.end = start + minutes * 60;
    return change;
}

TEST(RecurrenceBuilder, MovedInstancesStayBetweenTheirNeighbours) {
    // Daily from Wednesday 3/16 to Monday 3/21, 11:00. Outlook keeps one
    // instance a day, in the order of the series (PidLidAppointmentRecur):
    // a move onto the day of an instance that stays, or past the next
    // instance, is left out; the last instance may move past the end.
    RecurrenceRequest request = Request("FREQ=DAILY;COUNT=6", Seconds(2022, 3, 16, 11, 0));
    request.changed = {Moved(Seconds(2022, 3, 17, 11, 0), Seconds(2022, 3, 18, 9, 0)),
                       Moved(Seconds(2022, 3, 19, 11, 0), Seconds(2022, 3, 21, 15, 0)),
                       Moved(Seconds(2022, 3, 21, 11, 0), Seconds(2022, 3, 25, 15, 0))};
    const AppointmentRecurrence r = Build(request);
    EXPECT_EQ(r.pattern.deletedInstanceDates, std::vector<std::uint32_t>{DayMinutes(2022, 3, 21)});
    EXPECT_EQ(r.pattern.modifiedInstanceDates, std::vector<std::uint32_t>{DayMinutes(2022, 3, 25)});
    ASSERT_EQ(r.exceptions.size(), 1u);
    EXPECT_EQ(r.exceptions[0].startDateTime, DayMinutes(2022, 3, 25) + 900);
    EXPECT_EQ(r.exceptions[0].originalStartDate, DayMinutes(2022, 3, 21) + 660);
    // The range stays the series' own.
    EXPECT_EQ(r.pattern.endDate, DayMinutes(2022, 3, 21));
    EXPECT_EQ(r.pattern.occurrenceCount, 6u);

    // Past instances that move further still is in order: 3/19, 3/20 and
    // 3/21 go to 3/22, 3/23 and 3/25.
    RecurrenceRequest all = Request("FREQ=DAILY;COUNT=6", Seconds(2022, 3, 16, 11, 0));
    all.changed = {Moved(Seconds(2022, 3, 19, 11, 0), Seconds(2022, 3, 22, 11, 0)),
                   Moved(Seconds(2022, 3, 20, 11, 0), Seconds(2022, 3, 23, 11, 0)),
                   Moved(Seconds(2022, 3, 21, 11, 0), Seconds(2022, 3, 25, 11, 0))};
    EXPECT_EQ(Build(all).pattern.modifiedInstanceDates,
              (std::vector<std::uint32_t>{DayMinutes(2022, 3, 22), DayMinutes(2022, 3, 23), DayMinutes(2022, 3, 25)}));
    // Of two moves that cannot both hold, the one that passes the other's
    // own day goes: 3/20 to 3/26 beyond 3/21, which goes to 3/25.
    RecurrenceRequest crossing = Request("FREQ=DAILY;COUNT=6", Seconds(2022, 3, 16, 11, 0));
    crossing.changed = {Moved(Seconds(2022, 3, 20, 11, 0), Seconds(2022, 3, 26, 11, 0)),
                        Moved(Seconds(2022, 3, 21, 11, 0), Seconds(2022, 3, 25, 11, 0))};
    EXPECT_EQ(Build(crossing).pattern.modifiedInstanceDates, std::vector<std::uint32_t>{DayMinutes(2022, 3, 25)});

    // The first instance may move before the start, and a deleted instance
    // is no neighbour: the 3/17 instance moves over the cancelled 3/18 one.
    RecurrenceRequest early = Request("FREQ=DAILY;COUNT=5", Seconds(2022, 3, 16, 11, 0));
    ChangedInstance cancelled;
    cancelled.originalStart = Seconds(2022, 3, 18, 11, 0);
    cancelled.cancelled = true;
    early.changed = {Moved(Seconds(2022, 3, 16, 11, 0), Seconds(2022, 3, 14, 11, 0)), cancelled,
                     Moved(Seconds(2022, 3, 17, 11, 0), Seconds(2022, 3, 18, 16, 0))};
    const AppointmentRecurrence e = Build(early);
    EXPECT_EQ(e.pattern.deletedInstanceDates,
              (std::vector<std::uint32_t>{DayMinutes(2022, 3, 16), DayMinutes(2022, 3, 17), DayMinutes(2022, 3, 18)}));
    EXPECT_EQ(e.pattern.modifiedInstanceDates,
              (std::vector<std::uint32_t>{DayMinutes(2022, 3, 14), DayMinutes(2022, 3, 18)}));
    ASSERT_EQ(e.exceptions.size(), 2u);
    EXPECT_EQ(e.exceptions[0].originalStartDate, DayMinutes(2022, 3, 16) + 660);
    EXPECT_EQ(e.exceptions[1].originalStartDate, DayMinutes(2022, 3, 17) + 660);
    EXPECT_EQ(e.pattern.startDate, DayMinutes(2022, 3, 16));
}

TEST(RecurrenceBuilder, MovesAreKeptOnlyWhenTheOrderHoldsWithEveryMoveKept) {
    // Mondays and Thursdays from 3/14: 3/14, 3/17, 3/21, 3/24.
    const std::int64_t start = Seconds(2022, 3, 14, 9, 0);
    // Into the day another move leaves: the 3/17 instance goes to Saturday,
    // the 3/14 one takes Thursday.
    RecurrenceRequest swap = Request("FREQ=WEEKLY;BYDAY=MO,TH;COUNT=4", start);
    swap.changed = {Moved(Seconds(2022, 3, 14, 9, 0), Seconds(2022, 3, 17, 9, 0)),
                    Moved(Seconds(2022, 3, 17, 9, 0), Seconds(2022, 3, 19, 9, 0))};
    EXPECT_EQ(Build(swap).exceptions.size(), 2u);

    // Moved past the next instance, the 3/17 one is left where it was; the
    // 3/14 move, which only fitted before the 3/17 one moved, goes with it.
    RecurrenceRequest chain = Request("FREQ=WEEKLY;BYDAY=MO,TH;COUNT=4", start);
    chain.changed = {Moved(Seconds(2022, 3, 14, 9, 0), Seconds(2022, 3, 18, 9, 0)),
                     Moved(Seconds(2022, 3, 17, 9, 0), Seconds(2022, 3, 22, 9, 0))};
    const AppointmentRecurrence r = Build(chain);
    EXPECT_TRUE(r.exceptions.empty());
    EXPECT_TRUE(r.pattern.deletedInstanceDates.empty());
    EXPECT_TRUE(r.pattern.modifiedInstanceDates.empty());
}

TEST(RecurrenceBuilder, ChangesOfExcludedInstancesAreLeftOut) {
    // An EXDATE takes the instance out of the series (RFC 5545 3.8.5.1): a
    // VEVENT that changes it has no instance left to change.
    RecurrenceRequest request = Request("FREQ=DAILY;COUNT=5", Seconds(2022, 3, 16, 11, 0));
    request.deletedStarts = {Seconds(2022, 3, 18, 11, 0)};
    request.changed = {Moved(Seconds(2022, 3, 18, 11, 0), Seconds(2022, 3, 18, 14, 0))};
    const AppointmentRecurrence r = Build(request);
    EXPECT_EQ(r.pattern.deletedInstanceDates, std::vector<std::uint32_t>{DayMinutes(2022, 3, 18)});
    EXPECT_TRUE(r.pattern.modifiedInstanceDates.empty());
    EXPECT_TRUE(r.exceptions.empty());
}

TEST(RecurrenceBuilder, AnEndlessSeriesBoundsTheLastMoveByTheNextInstance) {
    // Weekly on Wednesdays without an end: the walk stops after the last
    // changed instance, and the instance after it still bounds its move.
    RecurrenceRequest request = Request("FREQ=WEEKLY", Seconds(2022, 3, 16, 11, 0));
    request.changed = {Moved(Seconds(2022, 3, 23, 11, 0), Seconds(2022, 3, 30, 12, 0))};
    EXPECT_TRUE(Build(request).exceptions.empty());
    request.changed = {Moved(Seconds(2022, 3, 23, 11, 0), Seconds(2022, 3, 29, 12, 0))};
    const AppointmentRecurrence r = Build(request);
    EXPECT_EQ(r.pattern.modifiedInstanceDates, std::vector<std::uint32_t>{DayMinutes(2022, 3, 29)});
    EXPECT_EQ(r.pattern.end, RecurrenceEnd::Never);
}

TEST(RecurrenceBuilder, RulesNoPatternExpressesAreRefused) {
    for (std::string_view rule :
         {"FREQ=HOURLY", "FREQ=DAILY;BYHOUR=9,17", "FREQ=DAILY;BYHOUR=7", "FREQ=YEARLY;BYYEARDAY=100",
          "FREQ=YEARLY;BYWEEKNO=20", "FREQ=MONTHLY;BYMONTHDAY=1,15", "FREQ=MONTHLY;BYMONTHDAY=-2",
          "FREQ=MONTHLY;BYDAY=MO,TU", "FREQ=MONTHLY;BYDAY=2MO,3TU", "FREQ=MONTHLY;BYDAY=MO;BYSETPOS=7",
          "FREQ=WEEKLY;BYDAY=1MO", "FREQ=DAILY;INTERVAL=2;BYDAY=MO", "FREQ=YEARLY;BYMONTH=1,7",
          "FREQ=DAILY;UNTIL=20000101", "FREQ=YEARLY;INTERVAL=2;BYMONTHDAY=5", "FREQ=YEARLY;BYDAY=20MO",
          "FREQ=YEARLY;BYDAY=-2FR", "FREQ=YEARLY;BYDAY=MO"}) {
        RecurrenceRequest request = Request(rule, Seconds(2022, 3, 16, 9, 0));
        if (request.rule.until) request.until = request.rule.until->Seconds();
        std::string unsupported;
        EXPECT_FALSE(BuildRecurrence(request, unsupported)) << rule;
        EXPECT_FALSE(unsupported.empty()) << rule;
    }
}

// Each shape of rule Outlook has a pattern for, with COUNT and UNTIL, against
// the instances RFC 5545 gives them (as python-dateutil's rrule lists them):
// the pattern's first and last day and its count.
TEST(RecurrenceBuilder, EveryPatternEndsWhereTheRulesInstancesEnd) {
    struct Case {
        std::string_view rule;
        std::int64_t start;
        RecurFrequency frequency;
        PatternType type;
        std::uint32_t period;
        std::uint32_t specific;  // weekday mask or day of the month; 0 for daily
        std::uint32_t nth;
        std::uint32_t count;
        std::uint32_t first;
        std::uint32_t last;
    };
    using F = RecurFrequency;
    using T = PatternType;
    constexpr std::uint32_t kWeekdays = 0x3E;
    const Case cases[] = {
        {"FREQ=DAILY;INTERVAL=2;COUNT=10", Seconds(2026, 1, 5, 9), F::Daily, T::Day, 2880, 0, 0, 10,
         DayMinutes(2026, 1, 5), DayMinutes(2026, 1, 23)},
        {"FREQ=DAILY;UNTIL=20260320T090000", Seconds(2026, 3, 1, 9), F::Daily, T::Day, 1440, 0, 0, 20,
         DayMinutes(2026, 3, 1), DayMinutes(2026, 3, 20)},
        {"FREQ=WEEKLY;BYDAY=TU,TH;COUNT=9", Seconds(2026, 2, 3, 14), F::Weekly, T::Week, 1, 0x14, 0, 9,
         DayMinutes(2026, 2, 3), DayMinutes(2026, 3, 3)},
        {"FREQ=WEEKLY;INTERVAL=3;BYDAY=FR;UNTIL=20261231T235959", Seconds(2026, 1, 2, 8), F::Weekly, T::Week, 3, 0x20,
         0, 18, DayMinutes(2026, 1, 2), DayMinutes(2026, 12, 25)},
        {"FREQ=MONTHLY;BYMONTHDAY=15;COUNT=14", Seconds(2026, 1, 15, 10), F::Monthly, T::Month, 1, 15, 0, 14,
         DayMinutes(2026, 1, 15), DayMinutes(2027, 2, 15)},
        // The last day of the month is Outlook's day 31.
        {"FREQ=MONTHLY;BYMONTHDAY=-1;UNTIL=20261231T235959", Seconds(2026, 1, 31, 17), F::Monthly, T::Month, 1, 31, 0,
         12, DayMinutes(2026, 1, 31), DayMinutes(2026, 12, 31)},
        // The last Friday, written both ways.
        {"FREQ=MONTHLY;BYDAY=FR;BYSETPOS=-1;COUNT=6", Seconds(2026, 1, 30, 16), F::Monthly, T::MonthNth, 1, 0x20, 5, 6,
         DayMinutes(2026, 1, 30), DayMinutes(2026, 6, 26)},
        {"FREQ=MONTHLY;BYDAY=-1FR;UNTIL=20260701T000000", Seconds(2026, 1, 30, 16), F::Monthly, T::MonthNth, 1, 0x20, 5,
         6, DayMinutes(2026, 1, 30), DayMinutes(2026, 6, 26)},
        // The second weekday of the month.
        {"FREQ=MONTHLY;BYDAY=MO,TU,WE,TH,FR;BYSETPOS=2;COUNT=5", Seconds(2026, 1, 2, 9), F::Monthly, T::MonthNth, 1,
         kWeekdays, 2, 5, DayMinutes(2026, 1, 2), DayMinutes(2026, 5, 4)},
        {"FREQ=MONTHLY;INTERVAL=2;BYDAY=2WE;UNTIL=20270101T000000", Seconds(2026, 1, 14, 9), F::Monthly, T::MonthNth, 2,
         0x08, 2, 6, DayMinutes(2026, 1, 14), DayMinutes(2026, 11, 11)},
        // Yearly by month and weekday: Thanksgiving, and the last Monday of May.
        {"FREQ=YEARLY;BYMONTH=11;BYDAY=4TH;COUNT=5", Seconds(2026, 11, 26, 12), F::Yearly, T::MonthNth, 12, 0x10, 4, 5,
         DayMinutes(2026, 11, 26), DayMinutes(2030, 11, 28)},
        {"FREQ=YEARLY;BYMONTH=5;BYDAY=-1MO;UNTIL=20300601T000000", Seconds(2026, 5, 25, 12), F::Yearly, T::MonthNth, 12,
         0x02, 5, 5, DayMinutes(2026, 5, 25), DayMinutes(2030, 5, 27)},
        {"FREQ=YEARLY;BYMONTH=3;BYMONTHDAY=17;COUNT=3", Seconds(2026, 3, 17, 12), F::Yearly, T::Month, 12, 17, 0, 3,
         DayMinutes(2026, 3, 17), DayMinutes(2028, 3, 17)},
        {"FREQ=YEARLY;INTERVAL=2;UNTIL=20340101T000000", Seconds(2026, 7, 4, 12), F::Yearly, T::Month, 24, 4, 0, 4,
         DayMinutes(2026, 7, 4), DayMinutes(2032, 7, 4)},
        // A day of the month in a yearly rule without BYMONTH falls in every month.
        {"FREQ=YEARLY;BYMONTHDAY=10;COUNT=5", Seconds(2026, 1, 10, 9), F::Monthly, T::Month, 1, 10, 0, 5,
         DayMinutes(2026, 1, 10), DayMinutes(2026, 5, 10)},
        // Weekdays counted in the year: the first Monday is January's, the
        // last weekday December's.
        {"FREQ=YEARLY;BYDAY=1MO;COUNT=3", Seconds(2026, 1, 5, 9), F::Yearly, T::MonthNth, 12, 0x02, 1, 3,
         DayMinutes(2026, 1, 5), DayMinutes(2028, 1, 3)},
        {"FREQ=YEARLY;BYDAY=MO,TU,WE,TH,FR;BYSETPOS=-1;COUNT=3", Seconds(2026, 12, 31, 9), F::Yearly, T::MonthNth, 12,
         kWeekdays, 5, 3, DayMinutes(2026, 12, 31), DayMinutes(2028, 12, 29)},
        // Day 31 every twelve months starting in January meets no short month.
        {"FREQ=MONTHLY;INTERVAL=12;BYMONTHDAY=31;COUNT=8", Seconds(2026, 1, 31, 9), F::Monthly, T::Month, 12, 31, 0, 8,
         DayMinutes(2026, 1, 31), DayMinutes(2033, 1, 31)},
    };
    for (const Case& c : cases) {
        RecurrenceRequest request = Request(c.rule, c.start);
        if (request.rule.until) request.until = request.rule.until->Seconds();
        const AppointmentRecurrence r = Build(request);
        const RecurrencePattern& p = r.pattern;
        EXPECT_EQ(p.frequency, c.frequency) << c.rule;
        EXPECT_EQ(p.type, c.type) << c.rule;
        EXPECT_EQ(p.period, c.period) << c.rule;
        if (c.type != T::Day) {
            EXPECT_EQ(p.patternSpecific, c.specific) << c.rule;
        }
        if (c.type == T::MonthNth) {
            EXPECT_EQ(p.nth, c.nth) << c.rule;
        }
        EXPECT_EQ(p.end, request.rule.count ? RecurrenceEnd::AfterCount : RecurrenceEnd::AfterDate) << c.rule;
        EXPECT_EQ(p.occurrenceCount, c.count) << c.rule;
        EXPECT_EQ(p.startDate, c.first) << c.rule;
        EXPECT_EQ(p.endDate, c.last) << c.rule;
    }
}

// A day that shorter months lack has no instance in them, where Outlook's
// pattern would move it to their last day: no pattern says that.
TEST(RecurrenceBuilder, ADayShortMonthsLackFitsNoPattern) {
    struct Case {
        std::string_view rule;
        std::int64_t start;
    };
    const Case cases[] = {{"FREQ=MONTHLY;BYMONTHDAY=31;COUNT=4", Seconds(2026, 1, 31, 9)},
                          {"FREQ=MONTHLY", Seconds(2026, 1, 30, 9)},
                          {"FREQ=MONTHLY;INTERVAL=2;BYMONTHDAY=31", Seconds(2026, 1, 31, 9)},
                          {"FREQ=YEARLY", Seconds(2024, 2, 29, 9)},
                          {"FREQ=YEARLY;BYMONTHDAY=30;COUNT=3", Seconds(2026, 1, 30, 9)}};
    for (const Case& c : cases) {
        std::string unsupported;
        EXPECT_FALSE(BuildRecurrence(Request(c.rule, c.start), unsupported)) << c.rule;
        EXPECT_NE(unsupported.find("some months of the series lack"), std::string::npos)
            << c.rule << ": " << unsupported;
    }
    // Day 29 of February, every fourth year until 2096, exists each time.
    RecurrenceRequest leap = Request("FREQ=YEARLY;INTERVAL=4;UNTIL=20960301T000000", Seconds(2024, 2, 29, 9));
    leap.until = leap.rule.until->Seconds();
    EXPECT_EQ(Build(leap).pattern.occurrenceCount, 19u);
}

TEST(RecurrenceBuilder, SeriesPastTheYear4500IsEndless) {
    const AppointmentRecurrence r = Build(Request("FREQ=YEARLY;COUNT=999", Seconds(4000, 1, 1)));
    EXPECT_EQ(r.pattern.end, RecurrenceEnd::Never);
    EXPECT_EQ(r.pattern.endDate, kEndlessEndDate);
}

}  // namespace
}  // namespace mailvane::calendar
