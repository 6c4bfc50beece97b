// Prints how fast iCalendar text is read into a meeting, for calendars of
// growing size (many attendees, long descriptions, many exceptions).
// Figures, not a test: run it by hand.
#include <chrono>
#include <cstdio>
#include <string>

#include "engine/calendar/calendar_parser.h"
#include "engine/calendar/meeting_reader.h"

namespace {

std::string Calendar(int attendees, int exceptions) {
    std::string text =
        "BEGIN:VCALENDAR\r\nMETHOD:REQUEST\r\nBEGIN:VEVENT\r\nUID:bench\r\n"
        "DTSTART:20220316T110000Z\r\nDTEND:20220316T113000Z\r\nRRULE:FREQ=DAILY;COUNT=999\r\n"
        "DESCRIPTION:";
    for (int i = 0; i < 200; ++i) text += "a long description\\, folded\r\n ";
    text += "\r\nORGANIZER;CN=Organizer:mailto:organizer@example.com\r\n";
    for (int i = 0; i < attendees; ++i) {
        text += "ATTENDEE;CN=\"Attendee " + std::to_string(i) + "\";ROLE=REQ-PARTICIPANT;RSVP=TRUE:mailto:a" +
                std::to_string(i) + "@example.com\r\n";
    }
    text += "END:VEVENT\r\n";
    for (int i = 0; i < exceptions; ++i) {
        const std::string day = std::to_string(1000 + i % 28 + 1).substr(2);
        text += "BEGIN:VEVENT\r\nUID:bench\r\nRECURRENCE-ID:202204" + day + "T110000Z\r\nDTSTART:202204" + day +
                "T120000Z\r\nSUMMARY:moved\r\nEND:VEVENT\r\n";
    }
    return text + "END:VCALENDAR\r\n";
}

}  // namespace

int main() {
    using Clock = std::chrono::steady_clock;
    std::printf("%10s %12s %12s %10s\n", "attendees", "bytes", "MB/s", "runs");
    for (int size : {10, 100, 1000, 10000}) {
        const std::string text = Calendar(size, size / 10);
        const int runs = size >= 10000 ? 5 : 50;
        const auto begin = Clock::now();
        std::size_t attendees = 0;
        for (int run = 0; run < runs; ++run) {
            const auto parsed = mailvane::calendar::ParseCalendar(text);
            std::vector<mailvane::calendar::CalendarIssue> issues;
            const auto meeting = mailvane::calendar::ReadMeeting(parsed, {"", "bench"}, issues);
            attendees += meeting ? meeting->attendees.size() : 0;
        }
        const double seconds = std::chrono::duration<double>(Clock::now() - begin).count();
        std::printf("%10zu %12zu %12.1f %10d\n", attendees / runs, text.size(), text.size() * runs / seconds / 1e6,
                    runs);
    }
    return 0;
}
