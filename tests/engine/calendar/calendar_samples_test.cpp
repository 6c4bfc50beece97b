// The calendars that seed the fuzzer, fuzzer findings among them, each read
// to a defined outcome: the meetings they make keep the invariants the
// fuzzer checks.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

#include "engine/calendar/calendar_parser.h"
#include "engine/calendar/meeting_reader.h"
#include "engine/calendar/recurrence_blob.h"

namespace mailvane::calendar {
namespace {

namespace fs = std::filesystem;

TEST(CalendarSamples, EachReadsToADefinedOutcome) {
    const fs::path dir = fs::path(MAILVANE_SOURCE_DIR) / "tests" / "data" / "calendar";
    std::size_t samples = 0;
    std::size_t meetings = 0;
    for (const auto& entry : fs::directory_iterator(dir)) {
        if (entry.path().extension() != ".ics") continue;
        ++samples;
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const ParsedCalendar parsed = ParseCalendar(text);
        for (const auto& issue : parsed.issues) EXPECT_LE(issue.offset, text.size()) << entry.path();
        std::vector<CalendarIssue> issues;
        const auto meeting = ReadMeeting(parsed, {"", "sample"}, issues);
        if (!meeting) continue;
        ++meetings;
        EXPECT_FALSE(meeting->messageClass.empty()) << entry.path();
        EXPECT_LE(meeting->start.utc, meeting->end.utc) << entry.path();
        if (meeting->recurrence) {
            const RecurrencePattern& pattern = meeting->recurrence->pattern;
            EXPECT_LE(pattern.startDate, pattern.endDate) << entry.path();
            EXPECT_LE(meeting->recurrence->exceptions.size(), pattern.modifiedInstanceDates.size()) << entry.path();
            EXPECT_LE(pattern.modifiedInstanceDates.size(), pattern.deletedInstanceDates.size()) << entry.path();
            EXPECT_GE(EncodeAppointmentRecurrence(*meeting->recurrence).size(), 0x3Cu) << entry.path();
            // One exception object per exception; one exception a day, in order.
            EXPECT_EQ(meeting->exceptions.size(), meeting->recurrence->exceptions.size()) << entry.path();
            const auto& modified = pattern.modifiedInstanceDates;
            EXPECT_TRUE(std::adjacent_find(modified.begin(), modified.end(), std::greater_equal<>()) == modified.end())
                << entry.path();
        }
    }
    EXPECT_GE(samples, 8u);
    EXPECT_GE(meetings, 6u);
}

}  // namespace
}  // namespace mailvane::calendar
