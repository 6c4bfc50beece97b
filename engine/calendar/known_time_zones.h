#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "engine/calendar/time_zone.h"

namespace mailvane::calendar {

// A zone a TZID can name without a VTIMEZONE: a tz database name
// ("Europe/Berlin") or a Windows time zone key ("W. Europe Standard Time"),
// as Outlook and other clients write TZIDs. Each keeps its current rule
// only: a time before `firstYear` converts with it too.
struct KnownTimeZone {
    std::string_view name;
    std::string_view keyName;   // the Windows key it stands for; empty when Windows has none
    std::string_view ianaZone;  // the tz database zone the rule was taken from
    std::uint16_t firstYear;    // since when the rule has held
    std::int16_t bias;          // UTC minus standard time, in minutes
    std::int16_t daylightBias;  // added to the bias in daylight time
    SystemTime standardDate;
    SystemTime daylightDate;

    // As a zone read for the TZID `id` (as written: the TZID keeps its own spelling).
    TimeZone ToTimeZone(std::u16string_view id) const;
};

// The table of tools/make-time-zones, generated from tzdata and CLDR's
// windowsZones and compiled alike on every platform: sorted by name in
// ASCII upper case.
std::span<const KnownTimeZone> KnownTimeZones();

// The zone a TZID names, compared without regard to ASCII case and with
// surrounding blanks ignored; a TZID in the globally unique form "/..."
// libical and its kin write ("/mozilla.org/20050126_1/America/New_York")
// names the tz database zone it ends with. Null for any other TZID.
const KnownTimeZone* FindKnownTimeZone(std::u16string_view tzid);

}  // namespace mailvane::calendar
