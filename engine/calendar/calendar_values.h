#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "engine/calendar/civil_date.h"

namespace mailvane::calendar {

// A DATE or DATE-TIME value (RFC 5545 3.3.4, 3.3.5) as written: a floating
// or zoned local time, a UTC time (trailing Z), or a date alone.
struct CalendarDateTime {
    CivilDate date;
    int hour = 0;
    int minute = 0;
    int second = 0;
    bool dateOnly = false;
    bool utc = false;

    std::int64_t Days() const { return DaysFromCivil(date); }
    // Seconds since 1970-01-01 00:00 in the value's own clock.
    std::int64_t Seconds() const { return Days() * 86400 + hour * 3600 + minute * 60 + second; }
};

std::optional<CalendarDateTime> ParseDateTime(std::string_view value);

// A DURATION (RFC 5545 3.3.6) in seconds, negative for "-P...".
std::optional<std::int64_t> ParseDuration(std::string_view value);

// A UTC-OFFSET (RFC 5545 3.3.14), "+HHMM" or "-HHMMSS", in seconds.
std::optional<std::int32_t> ParseUtcOffset(std::string_view value);

std::optional<std::int64_t> ParseInteger(std::string_view value);

// TEXT (RFC 5545 3.3.11) with its escapes undone ("\n", "\,", "\;", "\\"),
// as UTF-16; bytes that are no UTF-8 are read as windows-1252.
std::u16string UnescapeText(std::string_view value);

// The address of a CAL-ADDRESS "mailto:" URI, or empty for any other kind
// of address (such as "invalid:nomail").
std::u16string MailtoAddress(std::string_view value);

}  // namespace mailvane::calendar
