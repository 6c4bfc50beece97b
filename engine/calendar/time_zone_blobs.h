#pragma once

#include "engine/calendar/time_zone.h"
#include "engine/msg/property_value.h"

namespace mailvane::calendar {

// PidLidTimeZoneStruct ([MS-OXOCAL] 2.2.1.39): one rule as the 48-byte TZREG
// form legacy clients read for a recurring series.
msg::Bytes TimeZoneStruct(const TimeZoneRule& rule);

// What a time zone definition is written for: the start or end of one
// appointment (PidLidAppointmentTimeZoneDefinitionStartDisplay and
// EndDisplay), or a recurring series (PidLidAppointmentTimeZoneDefinitionRecur),
// whose effective rule also carries the flag that it is the one
// PidLidTimeZoneStruct holds.
enum class TimeZoneDefinitionUse { Display, Recurrence };

// A TZDEFINITION stream ([MS-OXOCAL] 2.2.1.41): the zone's key name (its
// Windows key, else the TZID) and every rule of the zone, oldest first,
// each effective from January 1 of its year. The rule in force in
// `effectiveYear` is marked TZRULE_FLAG_EFFECTIVE_TZREG: the year of the
// time shown for a display definition, the year the series starts for a
// recurrence, whose rule PidLidTimeZoneStruct must repeat for the two to be
// consistent (2.2.1.41). The year of the event rather than today's keeps
// the output the same whenever it is made.
msg::Bytes TimeZoneDefinition(const TimeZone& zone, TimeZoneDefinitionUse use, int effectiveYear);

}  // namespace mailvane::calendar
