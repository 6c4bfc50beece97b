#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/calendar/recurrence_pattern.h"
#include "engine/calendar/time_zone.h"
#include "engine/msg/property_value.h"

namespace mailvane::calendar {

// The iTIP method of an iCalendar object (RFC 5546 1.4).
enum class MeetingMethod { Publish, Request, Reply, Counter, Cancel };

// An attendee's answer to the organizer: a reply, or a counter-proposal of
// another time.
inline bool IsResponse(MeetingMethod method) {
    return method == MeetingMethod::Reply || method == MeetingMethod::Counter;
}

enum class AttendeeRole { Required, Optional, Resource };

// An ORGANIZER or ATTENDEE as a recipient of the meeting.
struct Attendee {
    std::u16string name;     // CN, else the address
    std::u16string address;  // from the mailto: URI
    AttendeeRole role = AttendeeRole::Required;
    bool organizer = false;
    std::int32_t trackStatus = 0;  // respAccepted, respTentative, respDeclined or respNone from PARTSTAT
};

// A time of the event: the instant, and the zone it was read in.
struct MeetingTime {
    std::int64_t utc = 0;    // seconds since 1970
    std::int64_t local = 0;  // as written: on the wall clock of `zone`, else equal to `utc`
    bool dateOnly = false;
    bool writtenFloating = false;  // written with neither Z nor TZID (RFC 5545 3.3.5), whatever it was read in
    bool floating = false;         // neither UTC nor in any zone: the wall clock as written, kept as UTC
    std::optional<TimeZone> zone;  // its TZID's, else for a floating time the event's; none for UTC
};

// What the exception object of one changed instance holds besides the
// fields of its ExceptionInfo, from the VEVENT with its RECURRENCE-ID.
struct MeetingException {
    std::optional<std::u16string> text;  // its DESCRIPTION (COMMENT for a reply) where it differs from the series'
    std::vector<Attendee> attendees;     // its own organizer and attendees, when it names an attendee
};

// One appointment of an iCalendar object, read as Outlook imports it
// ([MS-OXCICAL] 2.1.3): everything a meeting message needs, in MAPI terms.
struct Meeting {
    MeetingMethod method = MeetingMethod::Request;
    std::u16string messageClass;  // IPM.Schedule.Meeting.Request and its kin, or IPM.Appointment
    std::u16string summary;
    std::u16string text;  // DESCRIPTION, or COMMENT for a response
    std::u16string location;
    MeetingTime start;
    MeetingTime end;
    // A counter-proposal's new time (its DTSTART and DTEND); `start` and
    // `end` are then the meeting's time as the organizer set it, from
    // X-MS-OLK-ORIGINALSTART and X-MS-OLK-ORIGINALEND where the attendee's
    // program wrote them ([MS-OXCICAL] 2.1.3.1.1.20.59).
    std::optional<MeetingTime> proposedStart;
    std::optional<MeetingTime> proposedEnd;
    bool allDay = false;
    std::optional<std::int32_t> sequence;
    std::int32_t busyStatus = 2;          // olBusy
    std::int32_t intendedBusyStatus = 2;  // what the organizer intends attendees to show
    std::optional<std::int32_t> importance;
    std::optional<std::int32_t> sensitivity;
    std::optional<std::int32_t> reminderMinutes;
    std::optional<std::int64_t> stamp;        // DTSTAMP, UTC seconds
    std::optional<std::int64_t> replaceTime;  // RECURRENCE-ID of an exception sent alone, UTC seconds
    std::optional<bool> notAllowPropose;
    bool responseRequested = false;
    msg::Bytes globalObjectId;
    msg::Bytes cleanGlobalObjectId;
    std::optional<AppointmentRecurrence> recurrence;
    std::vector<MeetingException> exceptions;  // one per exception of `recurrence`, in its order
    std::vector<Attendee> attendees;           // the organizer first, then the attendees in order
};

}  // namespace mailvane::calendar
