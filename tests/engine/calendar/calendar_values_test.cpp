#include "engine/calendar/calendar_values.h"

#include <gtest/gtest.h>

#include "engine/calendar/civil_date.h"
#include "engine/calendar/recurrence_rule.h"

namespace mailvane::calendar {
namespace {

TEST(CivilDate, DayCountsAgreeWithKnownDates) {
    struct Case {
        CivilDate date;
        std::int64_t days;
        int weekday;
    };
    const Case cases[] = {
        {{1970, 1, 1}, 0, 4},     {{1601, 1, 1}, -134774, 1},  {{2000, 2, 29}, 11016, 2}, {{2007, 3, 26}, 13598, 1},
        {{2011, 4, 7}, 15071, 4}, {{4500, 12, 31}, 924428, 5}, {{1969, 12, 31}, -1, 3},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DaysFromCivil(c.date), c.days) << c.date.year << "-" << c.date.month << "-" << c.date.day;
        EXPECT_EQ(CivilFromDays(c.days), c.date);
        EXPECT_EQ(Weekday(c.days), c.weekday);
    }
    // Every day of four centuries goes there and back.
    for (std::int64_t day = -134774; day < -134774 + 146097; ++day) {
        ASSERT_EQ(DaysFromCivil(CivilFromDays(day)), day);
    }
}

TEST(CivilDate, MonthArithmeticAndWeekdaysOfTheMonth) {
    EXPECT_EQ(AddMonths({2022, 1, 31}, 1), (CivilDate{2022, 2, 28}));
    EXPECT_EQ(AddMonths({2024, 1, 31}, 1), (CivilDate{2024, 2, 29}));
    EXPECT_EQ(AddMonths({2022, 3, 15}, -3), (CivilDate{2021, 12, 15}));
    EXPECT_EQ(AddMonths({1601, 1, 1}, 12 * 400 + 5), (CivilDate{2001, 6, 1}));
    EXPECT_EQ(NthWeekdayOfMonth(2007, 3, 0, 2), 11);   // second Sunday of March 2007
    EXPECT_EQ(NthWeekdayOfMonth(2007, 11, 0, 1), 4);   // first Sunday of November 2007
    EXPECT_EQ(NthWeekdayOfMonth(2021, 10, 0, 5), 31);  // last Sunday of October 2021
    EXPECT_EQ(NthWeekdayOfMonth(2021, 3, 0, 5), 28);
    EXPECT_EQ(MinutesSince1601(DaysFromCivil({2011, 4, 7})), 0x0CDC7E20);
}

TEST(CalendarValues, DateTimes) {
    const auto utc = ParseDateTime("20220316T110000Z");
    ASSERT_TRUE(utc);
    EXPECT_TRUE(utc->utc);
    EXPECT_FALSE(utc->dateOnly);
    EXPECT_EQ(utc->Seconds(), 1647428400);
    const auto date = ParseDateTime(" 19751012 ");
    ASSERT_TRUE(date);
    EXPECT_TRUE(date->dateOnly);
    EXPECT_EQ(date->date, (CivilDate{1975, 10, 12}));
    const auto local = ParseDateTime("20080213T140000");
    ASSERT_TRUE(local);
    EXPECT_FALSE(local->utc);
    EXPECT_EQ(local->hour, 14);
    const auto shortTime = ParseDateTime("20080213T1400");
    ASSERT_TRUE(shortTime);
    EXPECT_EQ(shortTime->minute, 0);
    const auto leap = ParseDateTime("20161231T235960Z");
    ASSERT_TRUE(leap);
    EXPECT_EQ(leap->second, 59);
    for (std::string_view bad : {"", "2022031", "20220230", "20221301", "20220316T250000", "20220316X110000",
                                 "20220316T110000ZZ", "2022-03-16", "20220316T11"}) {
        EXPECT_FALSE(ParseDateTime(bad)) << bad;
    }
}

TEST(CalendarValues, Durations) {
    struct Case {
        std::string_view text;
        std::int64_t seconds;
    };
    const Case cases[] = {{"-PT15M", -900}, {"PT1H", 3600},        {"P1D", 86400}, {"-P1D", -86400},
                          {"P2W", 1209600}, {"P1DT2H3M4S", 93784}, {"+PT0S", 0},   {"pt90m", 5400}};
    for (const Case& c : cases) {
        const auto parsed = ParseDuration(c.text);
        ASSERT_TRUE(parsed) << c.text;
        EXPECT_EQ(*parsed, c.seconds) << c.text;
    }
    for (std::string_view bad : {"", "P", "PT", "15M", "P1H", "PT1D", "P1DT", "PTT1H", "P99999999999D"}) {
        EXPECT_FALSE(ParseDuration(bad)) << bad;
    }
}

TEST(CalendarValues, UtcOffsetsAndIntegers) {
    EXPECT_EQ(ParseUtcOffset("-0800"), -28800);
    EXPECT_EQ(ParseUtcOffset("+0530"), 19800);
    EXPECT_EQ(ParseUtcOffset("+023017"), 9017);
    EXPECT_FALSE(ParseUtcOffset("0800"));
    EXPECT_FALSE(ParseUtcOffset("+2500"));
    EXPECT_EQ(ParseInteger("-12"), -12);
    EXPECT_FALSE(ParseInteger("1x"));
    EXPECT_FALSE(ParseInteger("12345678901"));
}

TEST(CalendarValues, TextEscapesAndCharacters) {
    EXPECT_EQ(UnescapeText("a\\, b\\; c\\\\ d\\nnew\\Nline"), u"a, b; c\\ d\nnew\nline");
    EXPECT_EQ(UnescapeText("J\xC3\xBCrgen"), u"J\u00FCrgen");
    // Bytes that are no UTF-8 are read as windows-1252.
    EXPECT_EQ(UnescapeText("caf\xE9"), u"caf\u00E9");
    EXPECT_EQ(UnescapeText("ends with \\"), u"ends with \\");
}

TEST(CalendarValues, MailtoAddresses) {
    EXPECT_EQ(MailtoAddress("mailto:jane@example.com"), u"jane@example.com");
    EXPECT_EQ(MailtoAddress("MAILTO:Jane@Example.com"), u"Jane@Example.com");
    EXPECT_EQ(MailtoAddress(" mailto: jane@example.com"), u"jane@example.com");
    EXPECT_EQ(MailtoAddress("invalid:nomail"), u"");
    EXPECT_EQ(MailtoAddress("mailto:"), u"");
}

TEST(RecurrenceRuleParser, ReadsEveryPart) {
    std::string error;
    const auto rule = ParseRecurrenceRule(
        "FREQ=MONTHLY;INTERVAL=2;BYDAY=MO,-1FR,+2TU;BYSETPOS=-1;BYMONTH=3;BYMONTHDAY=-1;WKST=MO;UNTIL=20221231", error);
    ASSERT_TRUE(rule) << error;
    EXPECT_EQ(rule->frequency, Frequency::Monthly);
    EXPECT_EQ(rule->interval, 2);
    ASSERT_EQ(rule->byDay.size(), 3u);
    EXPECT_EQ(rule->byDay[0], (WeekdayNumber{0, 1}));
    EXPECT_EQ(rule->byDay[1], (WeekdayNumber{-1, 5}));
    EXPECT_EQ(rule->byDay[2], (WeekdayNumber{2, 2}));
    EXPECT_EQ(rule->bySetPosition, std::vector<int>{-1});
    EXPECT_EQ(rule->byMonth, std::vector<int>{3});
    EXPECT_EQ(rule->byMonthDay, std::vector<int>{-1});
    EXPECT_EQ(rule->weekStart, 1);
    ASSERT_TRUE(rule->until);
    EXPECT_TRUE(rule->until->dateOnly);
    EXPECT_FALSE(rule->count);

    const auto counted = ParseRecurrenceRule("freq=daily;count=3;x-unknown=1", error);
    ASSERT_TRUE(counted);
    EXPECT_EQ(counted->count, 3);
}

TEST(RecurrenceRuleParser, RejectsMalformedRules) {
    for (std::string_view bad :
         {"", "INTERVAL=2", "FREQ=FORTNIGHTLY", "FREQ=DAILY;INTERVAL=0", "FREQ=DAILY;COUNT=x", "FREQ=WEEKLY;BYDAY=XX",
          "FREQ=WEEKLY;BYDAY=0MO", "FREQ=MONTHLY;BYMONTHDAY=32", "FREQ=YEARLY;BYMONTH=13", "FREQ=DAILY;UNTIL=tomorrow",
          "FREQ=DAILY;WKST=XY", "FREQ=DAILY;BROKEN"}) {
        std::string error;
        EXPECT_FALSE(ParseRecurrenceRule(bad, error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
}

}  // namespace
}  // namespace mailvane::calendar
