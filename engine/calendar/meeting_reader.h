#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "engine/calendar/calendar_parser.h"
#include "engine/calendar/meeting.h"

namespace mailvane::calendar {

// What the MIME part around the calendar says: the method parameter of its
// Content-Type (used when the calendar has no METHOD), and a stable UID for
// a calendar whose event has none.
struct MeetingSource {
    std::string_view contentTypeMethod;
    std::string_view fallbackUid;
};

// The meeting message an iCalendar object makes in Outlook, or nullopt when
// it makes none: REQUEST gives a meeting request, CANCEL a cancellation,
// REPLY a positive, tentative or negative response after the attendee's
// PARTSTAT, COUNTER a tentative response proposing the event's time,
// PUBLISH of a single appointment an appointment; any other
// method, no method, a reply with another PARTSTAT, or no VEVENT with a
// usable DTSTART gives none. The event read is the first VEVENT without a
// RECURRENCE-ID (else the first VEVENT); VEVENTs with its UID and a
// RECURRENCE-ID are exceptions of its series.
std::optional<Meeting> ReadMeeting(const ParsedCalendar& parsed, const MeetingSource& source,
                                   std::vector<CalendarIssue>& issues);

// The class a method and a reply's PARTSTAT give, empty for none.
std::u16string MeetingClass(MeetingMethod method, std::string_view partStat);

}  // namespace mailvane::calendar
