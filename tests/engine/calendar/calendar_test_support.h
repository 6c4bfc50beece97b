#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace mailvane::calendar::test {

inline std::vector<std::uint8_t> FromHex(std::string_view hex) {
    std::vector<std::uint8_t> bytes;
    auto value = [](char c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; };
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes.push_back(static_cast<std::uint8_t>(value(hex[i]) * 16 + value(hex[i + 1])));
    }
    return bytes;
}

inline std::string ToHex(const std::vector<std::uint8_t>& bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string hex;
    for (std::uint8_t b : bytes) {
        hex.push_back(kDigits[b >> 4]);
        hex.push_back(kDigits[b & 0xF]);
    }
    return hex;
}

// A TZDEFINITION ([MS-OXOCAL] 2.2.1.41) read back field by field with a
// bounds-checked cursor of its own, so that a writer's mistake in the
// layout shows here instead of being repeated.
struct DecodedTimeZoneRule {
    std::uint16_t flags = 0;
    std::array<std::uint16_t, 8> start{};  // wYear, then the rest of the SYSTEMTIME Outlook writes as January 1
    std::int32_t bias = 0;
    std::int32_t standardBias = 0;
    std::int32_t daylightBias = 0;
    std::array<std::uint16_t, 8> standardDate{};
    std::array<std::uint16_t, 8> daylightDate{};
};

struct DecodedTimeZoneDefinition {
    std::string problem;  // empty when every fixed field holds its value and no byte is left over
    std::u16string keyName;
    std::vector<DecodedTimeZoneRule> rules;
};

inline DecodedTimeZoneDefinition DecodeTimeZoneDefinition(const std::vector<std::uint8_t>& bytes) {
    DecodedTimeZoneDefinition out;
    std::size_t at = 0;
    auto fail = [&](const std::string& why) {
        if (out.problem.empty()) out.problem = why + " at offset " + std::to_string(at);
    };
    auto u8 = [&]() -> std::uint32_t {
        if (at + 1 > bytes.size()) {
            fail("short");
            return 0;
        }
        return bytes[at++];
    };
    auto u16 = [&]() -> std::uint16_t {
        const std::uint32_t low = u8();
        return static_cast<std::uint16_t>(low | u8() << 8);
    };
    auto i32 = [&]() -> std::int32_t {
        const std::uint32_t low = u16();
        return static_cast<std::int32_t>(low | static_cast<std::uint32_t>(u16()) << 16);
    };
    auto systemTime = [&] {
        std::array<std::uint16_t, 8> fields{};
        for (auto& field : fields) field = u16();
        return fields;
    };
    if (u8() != 0x02 || u8() != 0x01) fail("header version");
    const std::uint16_t cbHeader = u16();
    const std::size_t headerStart = at;
    if (u16() != 0x0002) fail("TZDEFINITION_FLAG_VALID_KEYNAME");
    const std::uint16_t cchKeyName = u16();
    for (std::uint16_t i = 0; i < cchKeyName; ++i) out.keyName.push_back(static_cast<char16_t>(u16()));
    const std::uint16_t cRules = u16();
    if (at - headerStart != cbHeader) fail("cbHeader");
    for (std::uint16_t i = 0; i < cRules && out.problem.empty(); ++i) {
        DecodedTimeZoneRule rule;
        if (u8() != 0x02 || u8() != 0x01) fail("rule version");
        if (u16() != 0x003E) fail("rule size");
        rule.flags = u16();
        rule.start = systemTime();
        rule.bias = i32();
        rule.standardBias = i32();
        rule.daylightBias = i32();
        rule.standardDate = systemTime();
        rule.daylightDate = systemTime();
        out.rules.push_back(rule);
    }
    if (out.problem.empty() && at != bytes.size()) fail("bytes past the last rule");
    return out;
}

}  // namespace mailvane::calendar::test
