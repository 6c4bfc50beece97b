#pragma once

#include "engine/calendar/time_zone.h"
#include "engine/msg/property_value.h"

namespace mailvane::calendar {

// PidLidTimeZoneStruct ([MS-OXOCAL] 2.2.1.39): the rule as the 48-byte TZREG
// form legacy clients read for a recurring series.
msg::Bytes TimeZoneStruct(const TimeZoneRule& rule);

// What a time zone definition is written for: the start or end of one
// appointment (PidLidAppointmentTimeZoneDefinitionStartDisplay and
// EndDisplay), or a recurring series (PidLidAppointmentTimeZoneDefinitionRecur),
// whose rule also carries the flag that it matches PidLidTimeZoneStruct.
enum class TimeZoneDefinitionUse { Display, Recurrence };

// A TZDEFINITION stream ([MS-OXOCAL] 2.2.1.41): the TZID as key name and the
// zone's one rule, effective from January 1 of the year its onset names.
msg::Bytes TimeZoneDefinition(const TimeZone& zone, TimeZoneDefinitionUse use);

}  // namespace mailvane::calendar
