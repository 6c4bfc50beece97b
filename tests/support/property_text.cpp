#include "tests/support/property_text.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <ctime>

#include "tests/support/byte_cursor.h"

namespace mailvane::testing {

namespace {

std::string Hex(std::uint64_t value, int digits) {
    char text[24];
    std::snprintf(text, sizeof text, "%0*llX", digits, static_cast<unsigned long long>(value));
    return text;
}

std::string GuidText(const msg::GuidBytes& g) {
    ByteCursor cursor(g);
    const std::uint32_t data1 = cursor.U32();
    const std::uint16_t data2 = cursor.U16();
    const std::uint16_t data3 = cursor.U16();
    std::string text = "{" + Hex(data1, 8) + "-" + Hex(data2, 4) + "-" + Hex(data3, 4) + "-";
    for (std::size_t i = 8; i < 16; ++i) {
        if (i == 10) text += "-";
        text += Hex(g[i], 2);
    }
    return text + "}";
}

std::string Quoted(std::u16string_view text) {
    std::string out = "\"";
    for (char c : ToUtf8(text)) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (u < 0x20 || u == 0x7F) {
            out += "\\x" + Hex(u, 2);
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::u16string Utf16(const std::vector<std::uint8_t>& bytes) {
    std::u16string text;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) text += static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
    return text;
}

// Short values print whole; long ones by length and an FNV-1a digest,
// which is enough to tell two files apart line by line.
std::string BytesText(const std::vector<std::uint8_t>& bytes) {
    if (bytes.size() <= 256) {
        std::string text = "hex:";
        for (std::uint8_t b : bytes) text += Hex(b, 2);
        return text;
    }
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (std::uint8_t b : bytes) hash = (hash ^ b) * 0x100000001b3ull;
    return "len=" + std::to_string(bytes.size()) + " fnv1a64=" + Hex(hash, 16);
}

std::string TimeText(std::uint64_t ticks) {
    const std::uint64_t seconds = ticks / 10000000;
    const auto unix = static_cast<std::int64_t>(seconds) - 11644473600ll;
    // Days-to-civil conversion, so the text does not depend on the C library's time range.
    std::int64_t days = unix >= 0 ? unix / 86400 : (unix - 86399) / 86400;
    const std::int64_t secondOfDay = unix - days * 86400;
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t doe = days - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const std::int64_t day = doy - (153 * mp + 2) / 5 + 1;
    const std::int64_t month = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);
    char text[64];
    std::snprintf(text, sizeof text, "%04lld-%02lld-%02lldT%02lld:%02lld:%02lld.%07lluZ", static_cast<long long>(year),
                  static_cast<long long>(month), static_cast<long long>(day),
                  static_cast<long long>(secondOfDay / 3600), static_cast<long long>(secondOfDay / 60 % 60),
                  static_cast<long long>(secondOfDay % 60), static_cast<unsigned long long>(ticks % 10000000));
    return text;
}

std::string TypeName(std::uint16_t type) {
    switch (type) {
        case 0x0002:
            return "Int16";
        case 0x0003:
            return "Int32";
        case 0x0004:
            return "Float";
        case 0x0005:
            return "Double";
        case 0x0006:
            return "Currency";
        case 0x0007:
            return "AppTime";
        case 0x000A:
            return "Error";
        case 0x000B:
            return "Boolean";
        case 0x000D:
            return "Object";
        case 0x0014:
            return "Int64";
        case 0x001E:
            return "String8";
        case 0x001F:
            return "String";
        case 0x0040:
            return "Time";
        case 0x0048:
            return "Guid";
        case 0x0102:
            return "Binary";
        case 0x1002:
            return "MultiInt16";
        case 0x1003:
            return "MultiInt32";
        case 0x1014:
            return "MultiInt64";
        case 0x101E:
            return "MultiString8";
        case 0x101F:
            return "MultiString";
        case 0x1040:
            return "MultiTime";
        case 0x1048:
            return "MultiGuid";
        case 0x1102:
            return "MultiBinary";
        default:
            return "Type" + Hex(type, 4);
    }
}

std::string ValueText(const MsgProperty& property) {
    const auto type = static_cast<std::uint16_t>(property.tag & 0xFFFF);
    ByteCursor fixed(property.fixedValue);
    switch (type) {
        case 0x0002:
            return std::to_string(static_cast<std::int16_t>(fixed.U16()));
        case 0x0003:
            return std::to_string(static_cast<std::int32_t>(fixed.U32()));
        case 0x000B:
            return property.fixedValue[0] != 0 ? "true" : "false";
        case 0x0014:
            return std::to_string(static_cast<std::int64_t>(fixed.U64()));
        case 0x0040:
            return TimeText(fixed.U64());
        case 0x0005: {
            const std::uint64_t bits = fixed.U64();
            double value = 0;
            static_assert(sizeof value == sizeof bits);
            std::copy_n(reinterpret_cast<const unsigned char*>(&bits), sizeof bits,
                        reinterpret_cast<unsigned char*>(&value));
            char text[40];
            std::snprintf(text, sizeof text, "%.17g", value);
            return text;
        }
        case 0x000D:
            return "<object>";
        default:
            break;
    }
    if (!property.IsVariableLength()) return "hex:" + Hex(fixed.U64(), 16);
    if (!property.hasStream) return "<missing>";
    switch (type) {
        case 0x001F:
            return Quoted(Utf16(property.stream));
        case 0x001E:
            return Quoted(std::u16string(property.stream.begin(), property.stream.end()));
        case 0x0048:
            if (property.stream.size() == 16) {
                msg::GuidBytes guid{};
                std::copy_n(property.stream.begin(), 16, guid.begin());
                return GuidText(guid);
            }
            return BytesText(property.stream);
        case 0x101F:
        case 0x101E:
        case 0x1102: {
            std::string text = "[";
            for (std::size_t i = 0; i < property.values.size(); ++i) {
                if (i > 0) text += ", ";
                if (type == 0x1102) {
                    text += BytesText(property.values[i]);
                } else {
                    std::u16string value = type == 0x101F
                                               ? Utf16(property.values[i])
                                               : std::u16string(property.values[i].begin(), property.values[i].end());
                    if (!value.empty() && value.back() == u'\0') value.pop_back();
                    text += Quoted(value);
                }
            }
            return text + "]";
        }
        case 0x1003: {
            std::string text = "[";
            ByteCursor values(property.stream);
            for (bool first = true; values.Remaining() >= 4; first = false) {
                if (!first) text += ", ";
                text += std::to_string(static_cast<std::int32_t>(values.U32()));
            }
            return text + "]";
        }
        default:
            return BytesText(property.stream);
    }
}

std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    if (text.rfind("0X", 0) == 0) text = text.substr(2);
    return text;
}

bool Ignored(const MsgProperty& property, const std::string& key, const PropertyTextOptions& options) {
    for (const std::string& pattern : options.ignore) {
        if (pattern == key) return true;
        const std::string hex = Upper(pattern);
        if (property.name) continue;
        if (hex.size() == 8 && hex == Hex(property.tag, 8)) return true;
        if (hex.size() == 4 && hex == Hex(property.tag >> 16, 4)) return true;
    }
    return false;
}

void Collect(const MsgObject& object, const PropertyTextOptions& options, std::vector<std::string>& lines) {
    if (object.headerSize >= 24) {
        lines.push_back(object.path + " (counts) recipients=" + std::to_string(object.recipientCount) +
                        " attachments=" + std::to_string(object.attachmentCount) + " next=" +
                        std::to_string(object.nextRecipientId) + "/" + std::to_string(object.nextAttachmentId));
    }
    for (const MsgProperty& property : object.properties) {
        const std::string key = PropertyKey(property);
        if (Ignored(property, key, options)) continue;
        lines.push_back(object.path + " " + key + " " + TypeName(static_cast<std::uint16_t>(property.tag & 0xFFFF)) +
                        " " + ValueText(property));
    }
    for (const MsgObject& child : object.recipients) Collect(child, options, lines);
    for (const MsgObject& child : object.attachments) Collect(child, options, lines);
    for (const MsgObject& child : object.embedded) Collect(child, options, lines);
}

}  // namespace

std::string PropertyKey(const MsgProperty& property) {
    if (!property.name) return Hex(property.tag, 8);
    const msg::PropertyName& name = *property.name;
    std::string key = GuidText(name.propertySet) + ":";
    if (const auto* id = std::get_if<std::uint32_t>(&name.name)) return key + "0x" + Hex(*id, 4);
    return key + Quoted(std::get<std::u16string>(name.name));
}

std::vector<std::string> PropertyLines(const MsgFileReader& reader, const PropertyTextOptions& options) {
    std::vector<std::string> lines;
    Collect(reader.Message(), options, lines);
    std::sort(lines.begin(), lines.end());
    return lines;
}

}  // namespace mailvane::testing
