#pragma once

#include <optional>
#include <string_view>

#include "engine/calendar/civil_date.h"
#include "engine/msg/property_value.h"

namespace mailvane::calendar {

// PidLidGlobalObjectId from an iCalendar UID, as [MS-OXCICAL] 2.1.3.1.1.20.26
// imports it: a UID that is a hex-encoded Outlook id is decoded as it
// stands; any other UID is wrapped after the "vCal-Uid" marker. The instance
// date (YH, YL, M, D) is the one an Outlook id carries, else `instanceDate`
// (the RECURRENCE-ID of an exception), else zero.
msg::Bytes GlobalObjectId(std::string_view uid, std::optional<CivilDate> instanceDate);

// PidLidCleanGlobalObjectId: the same with the instance date zeroed.
msg::Bytes CleanGlobalObjectId(std::string_view uid);

}  // namespace mailvane::calendar
