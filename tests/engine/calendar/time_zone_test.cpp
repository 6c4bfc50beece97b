#include "engine/calendar/time_zone.h"

#include <gtest/gtest.h>

#include <algorithm>

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
    ASSERT_EQ(zone.rules.size(), 1u);
    EXPECT_EQ(zone.rules[0].year, 2007);
    const TimeZoneRule& rule = zone.rules[0].rule;
    EXPECT_EQ(rule.bias, 300);
    EXPECT_EQ(rule.standardBias, 0);
    EXPECT_EQ(rule.daylightBias, -60);
    EXPECT_EQ(rule.standardDate, (SystemTime{0, 11, 0, 1, 2, 0, 0, 0}));
    EXPECT_EQ(rule.daylightDate, (SystemTime{0, 3, 0, 2, 2, 0, 0, 0}));
    // One rule is effective whatever the year: before 2007 too, as the first.
    for (int year : {1990, 2007, 2022}) {
        EXPECT_EQ(ToHex(TimeZoneDefinition(zone, TimeZoneDefinitionUse::Display, year)), kOutlookEasternDefinition);
    }
}

TEST(TimeZone, RecurrenceDefinitionAndTimeZoneStructCarryTheSameRule) {
    const TimeZone zone = ZoneOf(kEastern);
    const std::vector<std::uint8_t> recur = TimeZoneDefinition(zone, TimeZoneDefinitionUse::Recurrence, 2022);
    std::vector<std::uint8_t> expected = FromHex(kOutlookEasternDefinition);
    expected[0x38] = 0x03;  // TZRULE_FLAG_EFFECTIVE_TZREG | TZRULE_FLAG_RECUR_CURRENT_TZREG
    EXPECT_EQ(ToHex(recur), ToHex(expected));
    // TZREG: the biases, then each transition preceded by its year.
    EXPECT_EQ(ToHex(TimeZoneStruct(zone.RuleFor(2022))),
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
    EXPECT_EQ(zone.RuleFor(2022).bias, -600);
    EXPECT_EQ(zone.RuleFor(2022).daylightBias, -60);
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
    ASSERT_EQ(zone.rules.size(), 1u);
    EXPECT_EQ(zone.rules[0].year, 1601);
    EXPECT_EQ(zone.rules[0].rule.bias, -120);
    EXPECT_EQ(zone.rules[0].rule.standardDate, (SystemTime{0, 10, 0, 5, 4, 0, 0, 0}));
    EXPECT_EQ(zone.rules[0].rule.daylightDate, (SystemTime{0, 3, 0, 5, 3, 0, 0, 0}));
    EXPECT_EQ(zone.ToUtc(Seconds(2021, 11, 27, 9, 0)), Seconds(2021, 11, 27, 7, 0));
}

// US Eastern time with the rules before and after 2007, as libical and
// its kin write a zone's history; the new daylight onset names its week as
// seven days of the month.
constexpr std::string_view kNewYorkSince1987 =
    "BEGIN:VTIMEZONE\nTZID:America/New_York\n"
    "BEGIN:DAYLIGHT\nDTSTART:19870405T020000\nRRULE:FREQ=YEARLY;BYMONTH=4;BYDAY=1SU;UNTIL=20060402T070000Z\n"
    "TZOFFSETFROM:-0500\nTZOFFSETTO:-0400\nEND:DAYLIGHT\n"
    "BEGIN:DAYLIGHT\nDTSTART:20070311T020000\nRRULE:FREQ=YEARLY;BYMONTH=3;BYMONTHDAY=8,9,10,11,12,13,14;BYDAY=SU\n"
    "TZOFFSETFROM:-0500\nTZOFFSETTO:-0400\nEND:DAYLIGHT\n"
    "BEGIN:STANDARD\nDTSTART:19871025T020000\nRRULE:FREQ=YEARLY;BYMONTH=10;BYDAY=-1SU;UNTIL=20061029T060000Z\n"
    "TZOFFSETFROM:-0400\nTZOFFSETTO:-0500\nEND:STANDARD\n"
    "BEGIN:STANDARD\nDTSTART:20071104T020000\nRRULE:FREQ=YEARLY;BYMONTH=11;BYDAY=1SU\n"
    "TZOFFSETFROM:-0400\nTZOFFSETTO:-0500\nEND:STANDARD\nEND:VTIMEZONE\n";

TEST(TimeZone, HistoricalOnsetsGiveARulePerEraChosenByYear) {
    const TimeZone zone = ZoneOf(kNewYorkSince1987);
    ASSERT_EQ(zone.rules.size(), 2u);
    EXPECT_EQ(zone.rules[0].year, 1987);
    EXPECT_EQ(zone.rules[0].rule.daylightDate, (SystemTime{0, 4, 0, 1, 2, 0, 0, 0}));
    EXPECT_EQ(zone.rules[0].rule.standardDate, (SystemTime{0, 10, 0, 5, 2, 0, 0, 0}));
    EXPECT_EQ(zone.rules[1].year, 2007);
    EXPECT_EQ(zone.rules[1].rule.daylightDate, (SystemTime{0, 3, 0, 2, 2, 0, 0, 0}));
    EXPECT_EQ(zone.rules[1].rule.standardDate, (SystemTime{0, 11, 0, 1, 2, 0, 0, 0}));
    for (const auto& era : zone.rules) {
        EXPECT_EQ(era.rule.bias, 300);
        EXPECT_EQ(era.rule.daylightBias, -60);
    }
    // Mid-March and the last days of October: standard time in 2005, daylight time in 2026.
    EXPECT_EQ(zone.ToUtc(Seconds(2005, 3, 20, 10, 0)), Seconds(2005, 3, 20, 15, 0));
    EXPECT_EQ(zone.ToUtc(Seconds(2005, 10, 31, 10, 0)), Seconds(2005, 10, 31, 15, 0));
    EXPECT_EQ(zone.ToUtc(Seconds(2005, 7, 1, 10, 0)), Seconds(2005, 7, 1, 14, 0));
    EXPECT_EQ(zone.ToUtc(Seconds(2026, 3, 20, 10, 0)), Seconds(2026, 3, 20, 14, 0));
    EXPECT_EQ(zone.ToUtc(Seconds(2026, 10, 31, 10, 0)), Seconds(2026, 10, 31, 14, 0));
    EXPECT_EQ(zone.ToUtc(Seconds(2026, 11, 2, 10, 0)), Seconds(2026, 11, 2, 15, 0));
    // Years before the first onset keep the first rule.
    EXPECT_EQ(zone.ToUtc(Seconds(1980, 7, 1, 10, 0)), Seconds(1980, 7, 1, 14, 0));
    for (std::int64_t utc = Seconds(2005, 1, 1, 0, 0); utc < Seconds(2006, 1, 1, 0, 0); utc += 3600 * 11) {
        EXPECT_EQ(zone.ToUtc(zone.ToLocal(utc)), utc);
    }
    EXPECT_EQ(zone.ToLocal(Seconds(2005, 10, 31, 15, 0)), Seconds(2005, 10, 31, 10, 0));
}

TEST(TimeZone, DefinitionHoldsEveryRuleAndMarksTheOneOfItsYear) {
    const TimeZone zone = ZoneOf(kNewYorkSince1987);
    struct Case {
        TimeZoneDefinitionUse use;
        int year;
        std::uint16_t firstFlags;
        std::uint16_t secondFlags;
    };
    const Case cases[] = {
        {TimeZoneDefinitionUse::Display, 2005, 0x0002, 0x0000},
        {TimeZoneDefinitionUse::Display, 2026, 0x0000, 0x0002},
        {TimeZoneDefinitionUse::Display, 1950, 0x0002, 0x0000},
        // TZRULE_FLAG_EFFECTIVE_TZREG | TZRULE_FLAG_RECUR_CURRENT_TZREG on the rule PidLidTimeZoneStruct holds.
        {TimeZoneDefinitionUse::Recurrence, 2005, 0x0003, 0x0000},
        {TimeZoneDefinitionUse::Recurrence, 2026, 0x0000, 0x0003},
    };
    for (const Case& c : cases) {
        const std::vector<std::uint8_t> bytes = TimeZoneDefinition(zone, c.use, c.year);
        const test::DecodedTimeZoneDefinition decoded = test::DecodeTimeZoneDefinition(bytes);
        ASSERT_EQ(decoded.problem, "") << c.year;
        EXPECT_EQ(bytes.size(), 4u + (6 + 2 * 16) + 2 * 66) << "header with the key name, then two rules";
        EXPECT_EQ(decoded.keyName, u"America/New_York");
        ASSERT_EQ(decoded.rules.size(), 2u);
        EXPECT_EQ(decoded.rules[0].flags, c.firstFlags) << c.year;
        EXPECT_EQ(decoded.rules[1].flags, c.secondFlags) << c.year;
        using Fields = std::array<std::uint16_t, 8>;
        EXPECT_EQ(decoded.rules[0].start, (Fields{1987, 1, 0, 1, 0, 0, 0, 0}));
        EXPECT_EQ(decoded.rules[1].start, (Fields{2007, 1, 0, 1, 0, 0, 0, 0}));
        for (const auto& rule : decoded.rules) {
            EXPECT_EQ(rule.bias, 300);
            EXPECT_EQ(rule.standardBias, 0);
            EXPECT_EQ(rule.daylightBias, -60);
        }
        EXPECT_EQ(decoded.rules[0].standardDate, (Fields{0, 10, 0, 5, 2, 0, 0, 0}));
        EXPECT_EQ(decoded.rules[0].daylightDate, (Fields{0, 4, 0, 1, 2, 0, 0, 0}));
        EXPECT_EQ(decoded.rules[1].standardDate, (Fields{0, 11, 0, 1, 2, 0, 0, 0}));
        EXPECT_EQ(decoded.rules[1].daylightDate, (Fields{0, 3, 0, 2, 2, 0, 0, 0}));
    }
    // PidLidTimeZoneStruct of a series starting in 2005 is the 1987 rule, the one its definition marks.
    EXPECT_EQ(ToHex(TimeZoneStruct(zone.RuleFor(2005))),
              "2C01000000000000C4FFFFFF"
              "0000"
              "00000A00000005000200000000000000"
              "0000"
              "00000400000001000200000000000000");
}

TEST(TimeZone, RdateOnsetsHoldInTheirOwnYears) {
    // Central European time written as one-off dates, as some servers do.
    const TimeZone zone = ZoneOf(
        "BEGIN:VTIMEZONE\nTZID:Europe/Paris\n"
        "BEGIN:DAYLIGHT\nDTSTART:20240331T020000\nRDATE:20250330T020000,20260329T020000\n"
        "TZOFFSETFROM:+0100\nTZOFFSETTO:+0200\nEND:DAYLIGHT\n"
        "BEGIN:STANDARD\nDTSTART:20241027T030000\nRDATE:20251026T030000\nRDATE:20261025T030000\n"
        "TZOFFSETFROM:+0200\nTZOFFSETTO:+0100\nEND:STANDARD\nEND:VTIMEZONE\n");
    // One rule a year, each with that year's dates; after the last onset, standard time.
    ASSERT_EQ(zone.rules.size(), 4u);
    EXPECT_EQ(zone.rules[1].year, 2025);
    EXPECT_EQ(zone.rules[1].rule.daylightDate, (SystemTime{2025, 3, 0, 30, 2, 0, 0, 0}));
    EXPECT_EQ(zone.rules[1].rule.standardDate, (SystemTime{2025, 10, 0, 26, 3, 0, 0, 0}));
    EXPECT_EQ(zone.rules[3].year, 2027);
    EXPECT_EQ(zone.rules[3].rule, (TimeZoneRule{-60, 0, 0, {}, {}}));
    EXPECT_EQ(zone.ToUtc(Seconds(2024, 7, 1, 12, 0)), Seconds(2024, 7, 1, 10, 0));
    EXPECT_EQ(zone.ToUtc(Seconds(2025, 12, 1, 12, 0)), Seconds(2025, 12, 1, 11, 0));
    EXPECT_EQ(zone.ToUtc(Seconds(2026, 3, 28, 12, 0)), Seconds(2026, 3, 28, 11, 0));
    EXPECT_EQ(zone.ToUtc(Seconds(2026, 3, 30, 12, 0)), Seconds(2026, 3, 30, 10, 0));
    EXPECT_EQ(zone.ToUtc(Seconds(2027, 7, 1, 12, 0)), Seconds(2027, 7, 1, 11, 0));
}

TEST(TimeZone, ZoneThatGivesUpDaylightTimeKeepsItsLastOffset) {
    // Moscow: daylight time until 2010, UTC+4 all year from 2011, UTC+3 from late 2014.
    const TimeZone zone = ZoneOf(
        "BEGIN:VTIMEZONE\nTZID:Europe/Moscow\n"
        "BEGIN:DAYLIGHT\nDTSTART:19930328T020000\nRRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=-1SU;UNTIL=20100327T230000Z\n"
        "TZOFFSETFROM:+0300\nTZOFFSETTO:+0400\nEND:DAYLIGHT\n"
        "BEGIN:STANDARD\nDTSTART:19961027T030000\nRRULE:FREQ=YEARLY;BYMONTH=10;BYDAY=-1SU;UNTIL=20101030T230000Z\n"
        "TZOFFSETFROM:+0400\nTZOFFSETTO:+0300\nEND:STANDARD\n"
        "BEGIN:STANDARD\nDTSTART:20110327T020000\nTZOFFSETFROM:+0300\nTZOFFSETTO:+0400\nEND:STANDARD\n"
        "BEGIN:STANDARD\nDTSTART:20141026T020000\nTZOFFSETFROM:+0400\nTZOFFSETTO:+0300\nEND:STANDARD\n"
        "END:VTIMEZONE\n");
    EXPECT_EQ(zone.ToUtc(Seconds(2009, 1, 15, 12, 0)), Seconds(2009, 1, 15, 9, 0));
    EXPECT_EQ(zone.ToUtc(Seconds(2009, 7, 15, 12, 0)), Seconds(2009, 7, 15, 8, 0));
    EXPECT_EQ(zone.ToUtc(Seconds(2012, 1, 15, 12, 0)), Seconds(2012, 1, 15, 8, 0));
    EXPECT_EQ(zone.ToUtc(Seconds(2013, 7, 15, 12, 0)), Seconds(2013, 7, 15, 8, 0));
    EXPECT_EQ(zone.ToUtc(Seconds(2016, 7, 15, 12, 0)), Seconds(2016, 7, 15, 9, 0));
    EXPECT_EQ(zone.RuleFor(2030), (TimeZoneRule{-180, 0, 0, {}, {}}));
}

TEST(TimeZone, OnsetsAndRulesAreBounded) {
    // Thirteen centuries of yearly onsets, each as its own RDATE: the latest are kept.
    std::string daylight = "RDATE:";
    std::string standard = "RDATE:";
    for (int year = 1701; year <= 3000; ++year) {
        daylight += (year > 1701 ? "," : "") + std::to_string(year) + "0330T020000";
        standard += (year > 1701 ? "," : "") + std::to_string(year) + "1026T030000";
    }
    const std::string text = "BEGIN:VCALENDAR\nBEGIN:VTIMEZONE\nTZID:Long\nBEGIN:DAYLIGHT\nDTSTART:17000330T020000\n" +
                             daylight + "\nTZOFFSETTO:+0200\nEND:DAYLIGHT\nBEGIN:STANDARD\nDTSTART:17001026T030000\n" +
                             standard + "\nTZOFFSETTO:+0100\nEND:STANDARD\nEND:VTIMEZONE\nEND:VCALENDAR\n";
    const ParsedCalendar parsed = ParseCalendar(text);
    std::vector<CalendarIssue> issues;
    const auto zone = ReadTimeZone(*parsed.Calendar()->Children("VTIMEZONE").front(), issues);
    ASSERT_TRUE(zone);
    EXPECT_EQ(zone->rules.size(), 256u);
    EXPECT_TRUE(std::is_sorted(zone->rules.begin(), zone->rules.end(),
                               [](const auto& a, const auto& b) { return a.year < b.year; }));
    EXPECT_EQ(zone->ToUtc(Seconds(2999, 7, 1, 12, 0)), Seconds(2999, 7, 1, 10, 0));
    ASSERT_EQ(issues.size(), 2u);
    EXPECT_EQ(issues[0].detail, "too many onsets: the oldest ignored");
    EXPECT_EQ(issues[1].detail, "too many rules: the oldest dropped");
}

TEST(TimeZone, ZoneWithoutDaylightTimeAndBrokenZones) {
    const TimeZone moscow = ZoneOf(
        "BEGIN:VTIMEZONE\nTZID:Europe/Moscow\nBEGIN:STANDARD\nTZOFFSETFROM:+023017\nDTSTART:20010101T000000\n"
        "TZNAME:GMT+3\nTZOFFSETTO:+0300\nEND:STANDARD\nEND:VTIMEZONE\n");
    ASSERT_EQ(moscow.rules.size(), 1u);
    EXPECT_EQ(moscow.rules[0].year, 2001);
    EXPECT_EQ(moscow.rules[0].rule, (TimeZoneRule{-180, 0, 0, {}, {}}));
    EXPECT_EQ(moscow.ToUtc(Seconds(2019, 11, 22, 9, 0)), Seconds(2019, 11, 22, 6, 0));

    const ParsedCalendar parsed = ParseCalendar(
        "BEGIN:VCALENDAR\nBEGIN:VTIMEZONE\nTZID:Nowhere\nBEGIN:STANDARD\nDTSTART:20010101T000000\n"
        "END:STANDARD\nEND:VTIMEZONE\nEND:VCALENDAR\n");
    std::vector<CalendarIssue> issues;
    EXPECT_FALSE(ReadTimeZone(*parsed.Calendar()->Children("VTIMEZONE").front(), issues));
    ASSERT_EQ(issues.size(), 2u);
    EXPECT_EQ(issues[0].detail, "STANDARD without a DTSTART or TZOFFSETTO: ignored");
    EXPECT_EQ(issues[1].detail, "no onset with a TZOFFSETTO");
    for (const auto& issue : issues) EXPECT_EQ(issue.kind, CalendarIssueKind::InvalidTimeZone);
}

TEST(TimeZone, TableFindsZonesWithoutRegardToCase) {
    const std::string text = "BEGIN:VCALENDAR\r\n" + std::string(kEastern) + "END:VCALENDAR\r\n";
    const ParsedCalendar parsed = ParseCalendar(text);
    std::vector<CalendarIssue> issues;
    const TimeZoneTable table(*parsed.Calendar(), issues);
    ASSERT_NE(table.Find(u"eastern standard TIME"), nullptr);
    EXPECT_EQ(table.Find(u"Pacific Standard Time"), nullptr);
}

TEST(TimeZone, ResolvingPrefersTheCalendarsZoneToTheKnownOne) {
    // A VTIMEZONE that calls UTC+3 "Pacific Standard Time" is what that calendar means by it.
    const std::string text =
        "BEGIN:VCALENDAR\nBEGIN:VTIMEZONE\nTZID:Pacific Standard Time\nBEGIN:STANDARD\nDTSTART:20010101T000000\n"
        "TZOFFSETTO:+0300\nEND:STANDARD\nEND:VTIMEZONE\nEND:VCALENDAR\n";
    const ParsedCalendar parsed = ParseCalendar(text);
    std::vector<CalendarIssue> issues;
    const TimeZoneTable table(*parsed.Calendar(), issues);
    EXPECT_EQ(table.Resolve(u"pacific standard time")->RuleFor(2022).bias, -180);
    const auto known = table.Resolve(u"Eastern Standard Time");
    ASSERT_TRUE(known);
    EXPECT_EQ(known->id, u"Eastern Standard Time");
    EXPECT_EQ(known->keyName, u"Eastern Standard Time");
    EXPECT_EQ(known->ToUtc(Seconds(2022, 7, 1, 12, 0)), Seconds(2022, 7, 1, 16, 0));
    EXPECT_FALSE(table.Resolve(u"Atlantis/Capital"));
}

TEST(TimeZone, UtcZoneKeepsTheWallClock) {
    const TimeZone utc = UtcTimeZone();
    EXPECT_EQ(utc.ToUtc(Seconds(2022, 7, 1, 12, 0)), Seconds(2022, 7, 1, 12, 0));
    const test::DecodedTimeZoneDefinition decoded =
        test::DecodeTimeZoneDefinition(TimeZoneDefinition(utc, TimeZoneDefinitionUse::Display, 2022));
    ASSERT_EQ(decoded.problem, "");
    EXPECT_EQ(decoded.keyName, u"UTC");
    ASSERT_EQ(decoded.rules.size(), 1u);
    EXPECT_EQ(decoded.rules[0].flags, 0x0002);
    EXPECT_EQ(decoded.rules[0].bias, 0);
    EXPECT_EQ(decoded.rules[0].daylightBias, 0);
    EXPECT_EQ(decoded.rules[0].standardDate[1], 0);
}

}  // namespace
}  // namespace mailvane::calendar
