#pragma once

#include "engine/calendar/meeting.h"
#include "engine/msg/message.h"

namespace mailvane::calendar {

// Writes what Outlook reads to show a meeting message or appointment: the
// class and icon; start and end (PidLidAppointmentStartWhole and its
// companions), duration, all-day flag, location, busy and intended busy
// status, sequence, global object ids, meeting type, response flags,
// reminder, importance and sensitivity where the calendar gives them, the
// time zone definitions of the start and end, and for a series the
// recurrence blob with its time zone and clip range. Recipients are the
// caller's: the attendees are in `meeting.attendees`.
void SetMeetingProperties(const Meeting& meeting, msg::PropertyBag& properties);

// PidLidAppointmentStateFlags: a meeting, received, canceled by a
// cancellation; a published appointment without attendees is none of these.
std::int32_t AppointmentStateFlags(const Meeting& meeting);

}  // namespace mailvane::calendar
