#include "engine/calendar/time_zone.h"

#include <gtest/gtest.h>

#include "calendar_test_support.h"
#include "engine/calendar/calendar_parser.h"
#include "engine/calendar/civil_date.h"
#include "engine/calendar/time_zone_blobs.h"

namespace mailvane::calendar {
namespace {

using test::FromHex;
using test::ToHex;

TimeZone ZoneOf(std::string_view vtimezone) {
    const std::string text = "BEGIN:VCALENDAR\r\n" + std::string(vtimezone) + "END:VCALENDAR\r\n";
    const ParsedCalendar parsed = ParseCalendar(text);
    std::vector<CalendarIssue> issues;
    EXPECT_NE(parsed.Calendar(), nullptr);
    const auto zones = parsed.Calendar()->Children("VTIMEZONE");
    EXPECT_EQ(zones.size(), 1u);
    auto zone = ReadTimeZone(*zones.front(), issues);
    EXPECT_TRUE(zone);
    EXPECT_TRUE(issues.empty());
    return zone.value_or(TimeZone{});
}

std::int64_t Seconds(int year, int month, int day, int hour, int minute) {
    return DaysFromCivil({year, month, day}) * 86400 + hour * 3600 + minute * 60;
}

constexpr std::string_view kEastern =
    "BEGIN:VTIMEZONE\r\n"
    "TZID:Eastern Standard Time\r\n"
    "BEGIN:STANDARD\r\n"
    "DTSTART:20071104T020000\r\n"
    "RRULE:FREQ=YEARLY;BYDAY=1SU;BYMONTH=11\r\n"
    "TZOFFSETFROM:-0400\r\n"
    "TZOFFSETTO:-0500\r\n"
    "END:STANDARD\r\n"
    "BEGIN:DAYLIGHT\r\n"
    "DTSTART:20070311T020000\r\n"
    "RRULE:FREQ=YEARLY;BYDAY=2SU;BYMONTH=3\r\n"
    "TZOFFSETFROM:-0500\r\n"
    "TZOFFSETTO:-0400\r\n"
    "END:DAYLIGHT\r\n"
    "END:VTIMEZONE\r\n";

// PidLidAppointmentTimeZoneDefinitionStartDisplay as Outlook 2016 wrote it
// for an appointment in Eastern Time (a .msg Outlook saved, in the corpus).
constexpr std::string_view kOutlookEasternDefinition =
    "02013000020015004500610073007400650072006E0020005300740061006E0064006100720064002000540069006D0065000100"
    "02013E000200D70701000000010000000000000000002C01000000000000C4FFFFFF00000B000000010002000000000000000000"
    "0300000002000200000000000000";

TEST(TimeZone, EasternRuleMatchesOutlooksDefinitionByteForByte) {
    const TimeZone zone = ZoneOf(kEastern);
    EXPECT_EQ(zone.id, u"Eastern Standard Time");
    EXPECT_EQ(zone.rule.bias, 300);
    EXPECT_EQ(zone.rule.standardBias, 0);
    EXPECT_EQ(zone.rule.daylightBias, -60);
    EXPECT_EQ(zone.rule.standardDate, (SystemTime{0, 11, 0, 1, 2, 0, 0, 0}));
    EXPECT_EQ(zone.rule.daylightDate, (SystemTime{0, 3, 0, 2, 2, 0, 0, 0}));
    EXPECT_EQ(zone.firstYear, 2007);
    EXPECT_EQ(ToHex(TimeZoneDefinition(zone, TimeZoneDefinitionUse::Display)), kOutlookEasternDefinition);
}

TEST(TimeZone, RecurrenceDefinitionAndTimeZoneStructCarryTheSameRule) {
    const TimeZone zone = ZoneOf(kEastern);
    const std::vector<std::uint8_t> recur = TimeZoneDefinition(zone, TimeZoneDefinitionUse::Recurrence);
    std::vector<std::uint8_t> expected = FromHex(kOutlookEasternDefinition);
    expected[0x38] = 0x03;  // TZRULE_FLAG_EFFECTIVE_TZREG | TZRULE_FLAG_RECUR_CURRENT_TZREG
    EXPECT_EQ(ToHex(recur), ToHex(expected));
    // TZREG: the biases, then each transition preceded by its year.
    EXPECT_EQ(ToHex(TimeZoneStruct(zone.rule)),
              "2C01000000000000C4FFFFFF"
              "0000"
              "00000B00000001000200000000000000"
              "0000"
              "00000300000002000200000000000000");
}

TEST(TimeZone, ConvertsAcrossDaylightSavingTransitions) {
    const TimeZone zone = ZoneOf(kEastern);
    EXPECT_EQ(zone.ToUtc(Seconds(2022, 1, 10, 9, 0)), Seconds(2022, 1, 10, 14, 0));
    EXPECT_EQ(zone.ToUtc(Seconds(2022, 3, 16, 11, 0)), Seconds(2022, 3, 16, 15, 0));
    // The hour after the spring change starts daylight time; the hour before it does not.
    EXPECT_EQ(zone.ToUtc(Seconds(2022, 3, 13, 1, 59)), Seconds(2022, 3, 13, 6, 59));
    EXPECT_EQ(zone.ToUtc(Seconds(2022, 3, 13, 3, 0)), Seconds(2022, 3, 13, 7, 0));
    // The repeated autumn hour reads as daylight time; UTC maps to each pass of it.
    EXPECT_EQ(zone.ToUtc(Seconds(2022, 11, 6, 1, 30)), Seconds(2022, 11, 6, 5, 30));
    EXPECT_EQ(zone.ToLocal(Seconds(2022, 11, 6, 5, 30)), Seconds(2022, 11, 6, 1, 30));
    EXPECT_EQ(zone.ToLocal(Seconds(2022, 11, 6, 6, 30)), Seconds(2022, 11, 6, 1, 30));
    EXPECT_EQ(zone.ToLocal(Seconds(2022, 7, 1, 16, 0)), Seconds(2022, 7, 1, 12, 0));
    for (std::int64_t utc = Seconds(2022, 1, 1, 0, 0); utc < Seconds(2023, 1, 1, 0, 0); utc += 3600 * 7) {
        EXPECT_EQ(zone.ToUtc(zone.ToLocal(utc)), utc);
    }
}

TEST(TimeZone, SouthernHemisphereDaylightTimeSpansNewYear) {
    const TimeZone zone = ZoneOf(
        "BEGIN:VTIMEZONE\r\nTZID:Australia/Sydney\r\n"
        "BEGIN:STANDARD\r\nDTSTART:19700405T030000\r\nRRULE:FREQ=YEARLY;BYMONTH=4;BYDAY=1SU\r\n"
        "TZOFFSETFROM:+1100\r\nTZOFFSETTO:+1000\r\nEND:STANDARD\r\n"
        "BEGIN:DAYLIGHT\r\nDTSTART:19701004T020000\r\nRRULE:FREQ=YEARLY;BYMONTH=10;BYDAY=1SU\r\n"
        "TZOFFSETFROM:+1000\r\nTZOFFSETTO:+1100\r\nEND:DAYLIGHT\r\nEND:VTIMEZONE\r\n");
    EXPECT_EQ(zone.rule.bias, -600);
    EXPECT_EQ(zone.rule.daylightBias, -60);
    EXPECT_EQ(zone.ToUtc(Seconds(2022, 1, 10, 9, 0)), Seconds(2022, 1, 9, 22, 0));
    EXPECT_EQ(zone.ToUtc(Seconds(2022, 7, 10, 9, 0)), Seconds(2022, 7, 9, 23, 0));
}

TEST(TimeZone, OutlookStyleZoneWithLastWeekdayRules) {
    // As Exchange writes it: onsets in 1601, the last Sunday as BYDAY=-1SU.
    const TimeZone zone = ZoneOf(
        "BEGIN:VTIMEZONE\nTZID:FLE Standard Time\nBEGIN:STANDARD\nDTSTART:16010101T040000\nTZOFFSETFROM:+0300\n"
        "TZOFFSETTO:+0200\nRRULE:FREQ=YEARLY;INTERVAL=1;BYDAY=-1SU;BYMONTH=10\nEND:STANDARD\nBEGIN:DAYLIGHT\n"
        "DTSTART:16010101T030000\nTZOFFSETFROM:+0200\nTZOFFSETTO:+0300\n"
        "RRULE:FREQ=YEARLY;INTERVAL=1;BYDAY=-1SU;BYMONTH=3\nEND:DAYLIGHT\nEND:VTIMEZONE\n");
    EXPECT_EQ(zone.rule.bias, -120);
    EXPECT_EQ(zone.rule.standardDate, (SystemTime{0, 10, 0, 5, 4, 0, 0, 0}));
    EXPECT_EQ(zone.rule.daylightDate, (SystemTime{0, 3, 0, 5, 3, 0, 0, 0}));
    EXPECT_EQ(zone.firstYear, 1601);
    EXPECT_EQ(zone.ToUtc(Seconds(2021, 11, 27, 9, 0)), Seconds(2021, 11, 27, 7, 0));
}

TEST(TimeZone, LatestOnsetWinsAndDayRunsNameAWeek) {
    // The 2006 rules, then the 2007 ones; a week written as seven days of the month.
    const TimeZone zone = ZoneOf(
        "BEGIN:VTIMEZONE\nTZID:America/New_York\n"
        "BEGIN:DAYLIGHT\nDTSTART:19870405T020000\nRRULE:FREQ=YEARLY;BYMONTH=4;BYDAY=1SU;UNTIL=20060402T070000Z\n"
        "TZOFFSETFROM:-0500\nTZOFFSETTO:-0400\nEND:DAYLIGHT\n"
        "BEGIN:DAYLIGHT\nDTSTART:20070311T020000\nRRULE:FREQ=YEARLY;BYMONTH=3;BYMONTHDAY=8,9,10,11,12,13,14;BYDAY=SU\n"
        "TZOFFSETFROM:-0500\nTZOFFSETTO:-0400\nEND:DAYLIGHT\n"
        "BEGIN:STANDARD\nDTSTART:19671029T020000\nRRULE:FREQ=YEARLY;BYMONTH=10;BYDAY=-1SU;UNTIL=20061029T060000Z\n"
        "TZOFFSETFROM:-0400\nTZOFFSETTO:-0500\nEND:STANDARD\n"
        "BEGIN:STANDARD\nDTSTART:20071104T020000\nRRULE:FREQ=YEARLY;BYMONTH=11;BYDAY=1SU\n"
        "TZOFFSETFROM:-0400\nTZOFFSETTO:-0500\nEND:STANDARD\nEND:VTIMEZONE\n");
    EXPECT_EQ(zone.rule.daylightDate, (SystemTime{0, 3, 0, 2, 2, 0, 0, 0}));
    EXPECT_EQ(zone.rule.standardDate, (SystemTime{0, 11, 0, 1, 2, 0, 0, 0}));
}

TEST(TimeZone, ZoneWithoutDaylightTimeAndBrokenZones) {
    const TimeZone moscow = ZoneOf(
        "BEGIN:VTIMEZONE\nTZID:Europe/Moscow\nBEGIN:STANDARD\nTZOFFSETFROM:+023017\nDTSTART:20010101T000000\n"
        "TZNAME:GMT+3\nTZOFFSETTO:+0300\nEND:STANDARD\nEND:VTIMEZONE\n");
    EXPECT_EQ(moscow.rule.bias, -180);
    EXPECT_EQ(moscow.rule.standardDate, SystemTime{});
    EXPECT_EQ(moscow.rule.daylightDate, SystemTime{});
    EXPECT_EQ(moscow.ToUtc(Seconds(2019, 11, 22, 9, 0)), Seconds(2019, 11, 22, 6, 0));

    const ParsedCalendar parsed = ParseCalendar(
        "BEGIN:VCALENDAR\nBEGIN:VTIMEZONE\nTZID:Nowhere\nBEGIN:STANDARD\nDTSTART:20010101T000000\n"
        "END:STANDARD\nEND:VTIMEZONE\nEND:VCALENDAR\n");
    std::vector<CalendarIssue> issues;
    EXPECT_FALSE(ReadTimeZone(*parsed.Calendar()->Children("VTIMEZONE").front(), issues));
    ASSERT_EQ(issues.size(), 1u);
    EXPECT_EQ(issues.front().kind, CalendarIssueKind::InvalidTimeZone);
}

TEST(TimeZone, TableFindsZonesWithoutRegardToCase) {
    const std::string text = "BEGIN:VCALENDAR\r\n" + std::string(kEastern) + "END:VCALENDAR\r\n";
    const ParsedCalendar parsed = ParseCalendar(text);
    std::vector<CalendarIssue> issues;
    const TimeZoneTable table(*parsed.Calendar(), issues);
    ASSERT_NE(table.Find(u"eastern standard TIME"), nullptr);
    EXPECT_EQ(table.Find(u"Pacific Standard Time"), nullptr);
}

}  // namespace
}  // namespace mailvane::calendar
