#include "engine/calendar/known_time_zones.h"

#include <algorithm>
#include <string>

#include "engine/text/ascii_case.h"

namespace mailvane::calendar {

namespace {

constexpr std::size_t kMaxName = 256;  // no zone's name, with any prefix, is longer

// The table's order: names compared byte by byte in ASCII upper case.
bool FoldedLess(std::string_view a, std::string_view b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return static_cast<unsigned char>(text::AsciiUpper(x)) < static_cast<unsigned char>(text::AsciiUpper(y));
    });
}

const KnownTimeZone* FindName(std::string_view name) {
    const std::span<const KnownTimeZone> zones = KnownTimeZones();
    const auto found = std::lower_bound(
        zones.begin(), zones.end(), name,
        [](const KnownTimeZone& zone, std::string_view wanted) { return FoldedLess(zone.name, wanted); });
    if (found == zones.end() || !text::EqualsIgnoreCase(found->name, name)) return nullptr;
    return &*found;
}

}  // namespace

TimeZone KnownTimeZone::ToTimeZone(std::u16string_view id) const {
    TimeZone zone;
    zone.id = id;
    zone.keyName.assign(keyName.begin(), keyName.end());
    zone.rules.push_back({firstYear, {bias, 0, daylightBias, standardDate, daylightDate}});
    return zone;
}

const KnownTimeZone* FindKnownTimeZone(std::u16string_view tzid) {
    while (!tzid.empty() && (tzid.front() == u' ' || tzid.front() == u'\t')) tzid.remove_prefix(1);
    while (!tzid.empty() && (tzid.back() == u' ' || tzid.back() == u'\t')) tzid.remove_suffix(1);
    if (tzid.empty() || tzid.size() > kMaxName) return nullptr;
    // Every name of the table is printable ASCII.
    std::string name;
    for (char16_t unit : tzid) {
        if (unit < 0x20 || unit > 0x7E) return nullptr;
        name.push_back(static_cast<char>(unit));
    }
    if (const KnownTimeZone* zone = FindName(name)) return zone;
    if (name.front() != '/') return nullptr;
    for (std::size_t slash = 0; slash != std::string::npos; slash = name.find('/', slash + 1)) {
        if (const KnownTimeZone* zone = FindName(std::string_view(name).substr(slash + 1))) return zone;
    }
    return nullptr;
}

}  // namespace mailvane::calendar
