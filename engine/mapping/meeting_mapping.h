#pragma once

#include <optional>
#include <vector>

#include "engine/calendar/meeting.h"
#include "engine/mapping/body_selection.h"
#include "engine/mime/mime_entity.h"
#include "engine/mime/parse_issue.h"
#include "engine/msg/message.h"

namespace mailvane::mapping {

// The iCalendar part that makes a mail a meeting message, and the meeting.
struct MeetingPart {
    const mime::MimeEntity* part = nullptr;
    calendar::Meeting meeting;
};

// The first text/calendar part of the message that is no attachment (by
// Content-Disposition) and makes a meeting message; attached mails are not
// searched. Issues met while reading it are added to `issues` as
// InvalidCalendar, at the part's body.
std::optional<MeetingPart> FindMeeting(const mime::MimeEntity& root, std::vector<mime::ParseIssue>& issues);

// Makes the mapped mail the meeting message: the calendar properties and
// class, the organizer and attendees as recipients (a reply, or a calendar
// naming no attendee, keeps the mail's own), the event's subject and text
// where the mail has none, the calendar part's bytes as
// PidLidInboundICalStream, so that none of it is lost although it is no
// longer an attachment, and for a series one hidden attachment per
// exception, after the mail's own. What does not fit is added to `issues`.
void ApplyMeeting(const MeetingPart& found, const mime::MimeEntity& root, const BodySelection& selection,
                  msg::Message& message, std::vector<mime::ParseIssue>& issues);

}  // namespace mailvane::mapping
