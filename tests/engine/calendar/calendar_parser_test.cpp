#include "engine/calendar/calendar_parser.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/calendar/content_line.h"

namespace mailvane::calendar {
namespace {

bool HasIssue(const std::vector<CalendarIssue>& issues, CalendarIssueKind kind) {
    for (const auto& issue : issues) {
        if (issue.kind == kind) return true;
    }
    return false;
}

CalendarProperty Line(std::string_view text, std::vector<CalendarIssue>& issues) {
    CalendarProperty line;
    EXPECT_TRUE(ParseContentLine(text, 0, line, issues)) << text;
    return line;
}

TEST(ContentLine, NameParametersAndValue) {
    std::vector<CalendarIssue> issues;
    const CalendarProperty line = Line(
        "attendee;CN=\"Doe, Jane\";ROLE=OPT-PARTICIPANT;DELEGATED-FROM=\"mailto:a@x\",\"mailto:b@x\":mailto:jane@x",
        issues);
    EXPECT_EQ(line.name, "ATTENDEE");
    ASSERT_EQ(line.parameters.size(), 3u);
    EXPECT_EQ(line.parameters[0].name, "CN");
    EXPECT_EQ(line.ParameterValue("CN"), "Doe, Jane");
    EXPECT_EQ(line.ParameterValue("ROLE"), "OPT-PARTICIPANT");
    ASSERT_EQ(line.Parameter("DELEGATED-FROM")->values.size(), 2u);
    EXPECT_EQ(line.Parameter("DELEGATED-FROM")->values[1], "mailto:b@x");
    EXPECT_EQ(line.value, "mailto:jane@x");
    EXPECT_TRUE(issues.empty());
}

TEST(ContentLine, ColonsAndSemicolonsInTheValueStayInIt) {
    std::vector<CalendarIssue> issues;
    const CalendarProperty line = Line("DESCRIPTION:a:b;c\\;d", issues);
    EXPECT_EQ(line.value, "a:b;c\\;d");
    const CalendarProperty zoned = Line("DTSTART;TZID=FLE Standard Time:20211127T090000", issues);
    EXPECT_EQ(zoned.ParameterValue("TZID"), "FLE Standard Time");
    EXPECT_EQ(zoned.value, "20211127T090000");
}

TEST(ContentLine, QuotedAndPlainTextRunTogetherReadAsTheirText) {
    std::vector<CalendarIssue> issues;
    // As a real invitation wrote its organizer's name.
    const CalendarProperty line = Line("ORGANIZER;CN=\"\"Pst Extractor\"\":MAILTO:MAILER-DAEMON", issues);
    EXPECT_EQ(line.ParameterValue("CN"), "Pst Extractor");
    EXPECT_EQ(line.value, "MAILTO:MAILER-DAEMON");
    const CalendarProperty colon = Line("X;A=\"a:b\"c:value", issues);
    EXPECT_EQ(colon.ParameterValue("A"), "a:bc");
    EXPECT_EQ(colon.value, "value");
    EXPECT_TRUE(issues.empty());
}

TEST(ContentLine, MalformedLinesAreRecordedAndRejected) {
    struct Case {
        std::string_view line;
        CalendarIssueKind kind;
    };
    const Case cases[] = {
        {"no colon here", CalendarIssueKind::MalformedContentLine},
        {":value without a name", CalendarIssueKind::MalformedContentLine},
        {"X;CN=\"never closed:value", CalendarIssueKind::InvalidParameter},
        {"X;CN=fine;novalue", CalendarIssueKind::InvalidParameter},
    };
    for (const Case& c : cases) {
        std::vector<CalendarIssue> issues;
        CalendarProperty line;
        EXPECT_FALSE(ParseContentLine(c.line, 7, line, issues)) << c.line;
        ASSERT_TRUE(HasIssue(issues, c.kind)) << c.line;
        EXPECT_EQ(issues.front().offset, 7u);
    }
}

TEST(ContentLine, ParameterWithoutValueIsSkippedButTheLineIsKept) {
    std::vector<CalendarIssue> issues;
    CalendarProperty line;
    ASSERT_TRUE(ParseContentLine("SUMMARY;BROKEN;LANGUAGE=en:Hello", 0, line, issues));
    EXPECT_EQ(line.ParameterValue("LANGUAGE"), "en");
    EXPECT_EQ(line.value, "Hello");
    EXPECT_TRUE(HasIssue(issues, CalendarIssueKind::InvalidParameter));
}

TEST(ContentLineReader, UnfoldsCrLfLfAndCrBreaks) {
    for (std::string_view lineBreak : {"\r\n", "\n", "\r"}) {
        const std::string text = "DESCRIPTION:one" + std::string(lineBreak) + " two" + std::string(lineBreak) +
                                 "\tthree" + std::string(lineBreak) + "SUMMARY:next" + std::string(lineBreak);
        std::vector<CalendarIssue> issues;
        ContentLineReader reader(text, 1 << 20, issues);
        CalendarProperty line;
        ASSERT_TRUE(reader.Next(line));
        EXPECT_EQ(line.value, "onetwothree");
        EXPECT_EQ(line.offset, 0u);
        ASSERT_TRUE(reader.Next(line));
        EXPECT_EQ(line.name, "SUMMARY");
        EXPECT_EQ(line.offset, text.find("SUMMARY"));
        EXPECT_FALSE(reader.Next(line));
        EXPECT_TRUE(issues.empty());
    }
}

TEST(ContentLineReader, FoldInsideAMultibyteCharacterJoinsItsBytes) {
    const std::string text = "SUMMARY:J\xC3\r\n \xBCrgen\r\n";
    std::vector<CalendarIssue> issues;
    ContentLineReader reader(text, 1 << 20, issues);
    CalendarProperty line;
    ASSERT_TRUE(reader.Next(line));
    EXPECT_EQ(line.value, "J\xC3\xBCrgen");
}

TEST(ContentLineReader, ByteOrderMarkAndBlankLinesAreSkipped) {
    const std::string text =
        "\xEF\xBB\xBF"
        "BEGIN:VCALENDAR\r\n\r\n   \r\nEND:VCALENDAR\r\n";
    std::vector<CalendarIssue> issues;
    ContentLineReader reader(text, 1 << 20, issues);
    CalendarProperty line;
    ASSERT_TRUE(reader.Next(line));
    EXPECT_EQ(line.name, "BEGIN");
    ASSERT_TRUE(reader.Next(line));
    EXPECT_EQ(line.name, "END");
    EXPECT_TRUE(issues.empty());
}

TEST(ContentLineReader, LongLineIsCutAtTheBound) {
    const std::string text = "X-LONG:" + std::string(100, 'a') + "\r\n " + std::string(100, 'b') + "\r\nX-NEXT:1\r\n";
    std::vector<CalendarIssue> issues;
    ContentLineReader reader(text, 150, issues);
    CalendarProperty line;
    ASSERT_TRUE(reader.Next(line));
    EXPECT_EQ(line.value.size(), 150u - 7u);
    ASSERT_TRUE(reader.Next(line));
    EXPECT_EQ(line.name, "X-NEXT");
    EXPECT_TRUE(HasIssue(issues, CalendarIssueKind::LineLengthLimit));
}

constexpr std::string_view kCalendar =
    "BEGIN:VCALENDAR\r\n"
    "METHOD:REQUEST\r\n"
    "BEGIN:VEVENT\r\n"
    "UID:1\r\n"
    "BEGIN:VALARM\r\n"
    "TRIGGER:-PT15M\r\n"
    "END:VALARM\r\n"
    "END:VEVENT\r\n"
    "BEGIN:VEVENT\r\n"
    "UID:2\r\n"
    "END:VEVENT\r\n"
    "END:VCALENDAR\r\n";

TEST(CalendarParser, BuildsTheComponentTree) {
    const ParsedCalendar parsed = ParseCalendar(kCalendar);
    ASSERT_NE(parsed.Calendar(), nullptr);
    const CalendarComponent& calendar = *parsed.Calendar();
    EXPECT_EQ(calendar.Find("METHOD")->value, "REQUEST");
    const auto events = calendar.Children("VEVENT");
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0]->Find("UID")->value, "1");
    ASSERT_EQ(events[0]->Children("VALARM").size(), 1u);
    EXPECT_EQ(events[0]->Children("VALARM")[0]->Find("TRIGGER")->value, "-PT15M");
    EXPECT_EQ(events[1]->offset, kCalendar.find("BEGIN:VEVENT\r\nUID:2"));
    EXPECT_TRUE(parsed.issues.empty());
}

TEST(CalendarParser, UnbalancedComponentsAreClosedAndRecorded) {
    // VALARM is never ended; END:VEVENT closes it too. The calendar itself
    // is never ended either, and a stray END names nothing open.
    const ParsedCalendar parsed = ParseCalendar(
        "BEGIN:VCALENDAR\nBEGIN:VEVENT\nBEGIN:VALARM\nTRIGGER:-PT5M\nEND:VEVENT\nEND:VTODO\nBEGIN:VEVENT\nUID:x\n");
    ASSERT_NE(parsed.Calendar(), nullptr);
    const auto events = parsed.Calendar()->Children("VEVENT");
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0]->Children("VALARM").size(), 1u);
    EXPECT_EQ(events[1]->Find("UID")->value, "x");
    std::size_t unbalanced = 0;
    for (const auto& issue : parsed.issues) unbalanced += issue.kind == CalendarIssueKind::UnbalancedComponent;
    EXPECT_EQ(unbalanced, 4u);  // VALARM, END:VTODO, the second VEVENT, VCALENDAR
}

TEST(CalendarParser, PropertiesOutsideAnyComponentAreRecorded) {
    const ParsedCalendar parsed = ParseCalendar("SUMMARY:orphan\nBEGIN:VCALENDAR\nEND:VCALENDAR\n");
    ASSERT_NE(parsed.Calendar(), nullptr);
    EXPECT_TRUE(parsed.Calendar()->properties.empty());
    EXPECT_TRUE(HasIssue(parsed.issues, CalendarIssueKind::PropertyOutsideComponent));
}

TEST(CalendarParser, NestingAndCountBoundsSkipComponentsWholly) {
    std::string deep = "BEGIN:VCALENDAR\n";
    for (int i = 0; i < 20; ++i) deep += "BEGIN:X\n";
    deep += "X-INNER:1\n";
    for (int i = 0; i < 20; ++i) deep += "END:X\n";
    deep += "X-AFTER:1\nEND:VCALENDAR\n";
    CalendarLimits limits;
    limits.maxDepth = 4;
    const ParsedCalendar nested = ParseCalendar(deep, limits);
    ASSERT_NE(nested.Calendar(), nullptr);
    EXPECT_TRUE(HasIssue(nested.issues, CalendarIssueKind::NestingLimit));
    EXPECT_NE(nested.Calendar()->Find("X-AFTER"), nullptr);

    std::string many = "BEGIN:VCALENDAR\n";
    for (int i = 0; i < 50; ++i) many += "BEGIN:VEVENT\nEND:VEVENT\n";
    many += "END:VCALENDAR\n";
    limits = {};
    limits.maxComponents = 11;
    const ParsedCalendar counted = ParseCalendar(many, limits);
    ASSERT_NE(counted.Calendar(), nullptr);
    EXPECT_EQ(counted.Calendar()->Children("VEVENT").size(), 10u);
    EXPECT_TRUE(HasIssue(counted.issues, CalendarIssueKind::ComponentLimit));

    limits = {};
    limits.maxContentLines = 5;
    const ParsedCalendar lines = ParseCalendar(kCalendar, limits);
    EXPECT_TRUE(HasIssue(lines.issues, CalendarIssueKind::ContentLineLimit));
}

TEST(CalendarParser, ArbitraryBytesGiveADefinedOutcome) {
    std::string noise;
    for (int i = 0; i < 4096; ++i) noise.push_back(static_cast<char>((i * 131 + 7) % 256));
    const ParsedCalendar parsed = ParseCalendar(noise);
    EXPECT_EQ(parsed.Calendar(), nullptr);
    EXPECT_FALSE(parsed.issues.empty());
}

}  // namespace
}  // namespace mailvane::calendar
