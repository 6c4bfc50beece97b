#pragma once

#include "engine/calendar/recurrence_pattern.h"
#include "engine/msg/property_value.h"

namespace mailvane::calendar {

// The PidLidAppointmentRecur value: RecurrencePattern, the times of day,
// one ExceptionInfo per exception, and (as writer version 0x3009 asks) one
// ExtendedException each, with the Unicode subject and location.
msg::Bytes EncodeAppointmentRecurrence(const AppointmentRecurrence& recurrence);

}  // namespace mailvane::calendar
