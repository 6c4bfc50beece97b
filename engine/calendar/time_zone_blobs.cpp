#include "engine/calendar/time_zone_blobs.h"

#include "engine/io/little_endian.h"

namespace mailvane::calendar {

namespace {

constexpr std::uint8_t kMajorVersion = 0x02;
constexpr std::uint8_t kMinorVersion = 0x01;
constexpr std::uint16_t kValidKeyName = 0x0002;      // TZDEFINITION_FLAG_VALID_KEYNAME
constexpr std::uint16_t kRuleSize = 0x003E;          // the bytes of a rule after its size field
constexpr std::uint16_t kRecurCurrentRule = 0x0001;  // TZRULE_FLAG_RECUR_CURRENT_TZREG
constexpr std::uint16_t kEffectiveRule = 0x0002;     // TZRULE_FLAG_EFFECTIVE_TZREG
constexpr std::size_t kMaxKeyName = 260;             // MAX_PATH

void AppendSystemTime(msg::Bytes& out, const SystemTime& time) {
    for (std::uint16_t field :
         {time.year, time.month, time.dayOfWeek, time.day, time.hour, time.minute, time.second, time.milliseconds}) {
        io::AppendU16(out, field);
    }
}

void AppendBiases(msg::Bytes& out, const TimeZoneRule& rule) {
    io::AppendU32(out, static_cast<std::uint32_t>(rule.bias));
    io::AppendU32(out, static_cast<std::uint32_t>(rule.standardBias));
    io::AppendU32(out, static_cast<std::uint32_t>(rule.daylightBias));
}

}  // namespace

msg::Bytes TimeZoneStruct(const TimeZoneRule& rule) {
    msg::Bytes out;
    AppendBiases(out, rule);
    io::AppendU16(out, rule.standardDate.year);
    AppendSystemTime(out, rule.standardDate);
    io::AppendU16(out, rule.daylightDate.year);
    AppendSystemTime(out, rule.daylightDate);
    return out;
}

msg::Bytes TimeZoneDefinition(const TimeZone& zone, TimeZoneDefinitionUse use, int effectiveYear) {
    const std::u16string_view keyName =
        std::u16string_view(zone.keyName.empty() ? zone.id : zone.keyName).substr(0, kMaxKeyName);
    // A zone without rules (UTC, read from nothing) has one without offset or daylight time.
    const std::vector<DatedTimeZoneRule> rules = zone.rules.empty() ? std::vector<DatedTimeZoneRule>(1) : zone.rules;
    const std::size_t effective = zone.rules.empty() ? 0 : zone.RuleIndexFor(effectiveYear);
    msg::Bytes out;
    out.push_back(kMajorVersion);
    out.push_back(kMinorVersion);
    // The header after this field: flags, key name length, key name, rule count.
    io::AppendU16(out, static_cast<std::uint16_t>(6 + 2 * keyName.size()));
    io::AppendU16(out, kValidKeyName);
    io::AppendU16(out, static_cast<std::uint16_t>(keyName.size()));
    for (char16_t unit : keyName) io::AppendU16(out, unit);
    io::AppendU16(out, static_cast<std::uint16_t>(rules.size()));

    for (std::size_t i = 0; i < rules.size(); ++i) {
        std::uint16_t flags = 0;
        if (i == effective) {
            flags = use == TimeZoneDefinitionUse::Recurrence ? kEffectiveRule | kRecurCurrentRule : kEffectiveRule;
        }
        out.push_back(kMajorVersion);
        out.push_back(kMinorVersion);
        io::AppendU16(out, kRuleSize);
        io::AppendU16(out, flags);
        SystemTime start;
        start.year = rules[i].year;
        start.month = 1;
        start.day = 1;
        AppendSystemTime(out, start);
        AppendBiases(out, rules[i].rule);
        AppendSystemTime(out, rules[i].rule.standardDate);
        AppendSystemTime(out, rules[i].rule.daylightDate);
    }
    return out;
}

}  // namespace mailvane::calendar
