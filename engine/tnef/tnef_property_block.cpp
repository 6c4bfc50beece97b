#include "engine/tnef/tnef_property_block.h"

#include <algorithm>
#include <optional>

#include "engine/charset/charset_decoder.h"
#include "engine/tnef/tnef_cursor.h"

namespace mailvane::tnef {
namespace {

using msg::PropType;

constexpr std::uint16_t TypeCode(PropType type) { return static_cast<std::uint16_t>(type); }

// Property type codes as a block carries them ([MS-OXCDATA] 2.11.1): the
// types a message file holds keep the codes of PropType; the others are
// read only to be skipped or converted.
constexpr std::uint16_t kMultiValued = 0x1000;
constexpr std::uint16_t kNull = 0x0001;
constexpr std::uint16_t kShort = TypeCode(PropType::Int16);
constexpr std::uint16_t kLong = TypeCode(PropType::Int32);
constexpr std::uint16_t kFloat = 0x0004;
constexpr std::uint16_t kDouble = TypeCode(PropType::Double);
constexpr std::uint16_t kCurrency = 0x0006;
constexpr std::uint16_t kAppTime = 0x0007;
constexpr std::uint16_t kError = 0x000A;
constexpr std::uint16_t kBoolean = TypeCode(PropType::Boolean);
constexpr std::uint16_t kObject = TypeCode(PropType::Object);
constexpr std::uint16_t kInt64 = TypeCode(PropType::Int64);
constexpr std::uint16_t kString8 = 0x001E;
constexpr std::uint16_t kUnicode = TypeCode(PropType::String);
constexpr std::uint16_t kSysTime = TypeCode(PropType::Time);
constexpr std::uint16_t kClsid = TypeCode(PropType::Guid);
constexpr std::uint16_t kBinary = TypeCode(PropType::Binary);

// Bytes a fixed-size value takes in the stream, padding included; 0 for the
// counted (variable-size) types and for types this reader does not know.
std::size_t FixedSize(std::uint16_t type) {
    switch (type) {
        case kNull:
        case kShort:
        case kLong:
        case kFloat:
        case kError:
        case kBoolean:
            return 4;
        case kDouble:
        case kCurrency:
        case kAppTime:
        case kInt64:
        case kSysTime:
            return 8;
        case kClsid:
            return 16;
        default:
            return 0;
    }
}

bool IsCounted(std::uint16_t type) {
    return type == kString8 || type == kUnicode || type == kBinary || type == kObject;
}

std::u16string DecodeUnicode(std::span<const std::uint8_t> bytes) {
    std::u16string text;
    text.reserve(bytes.size() / 2);
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const auto unit = static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
        if (unit == 0) break;
        text += unit;
    }
    return text;
}

msg::GuidBytes ToGuid(std::span<const std::uint8_t> bytes) {
    msg::GuidBytes guid{};
    std::copy_n(bytes.begin(), std::min(bytes.size(), guid.size()), guid.begin());
    return guid;
}

// The value in the form a message file keeps, with its stored type; nothing
// for the types it has no room for (float, currency, application time,
// errors), which are dropped.
struct Converted {
    PropType type;
    msg::PropertyValue value;
};

std::optional<Converted> ConvertFixed(std::uint16_t type, std::span<const std::uint8_t> v) {
    TnefCursor c(v);
    switch (type) {
        case kShort:
            return Converted{PropType::Int16, static_cast<std::int16_t>(c.U16())};
        case kLong:
            return Converted{PropType::Int32, static_cast<std::int32_t>(c.U32())};
        case kBoolean:
            return Converted{PropType::Boolean, c.U16() != 0};
        case kInt64:
            return Converted{PropType::Int64, static_cast<std::int64_t>(c.U64())};
        case kSysTime:
            return Converted{PropType::Time, msg::FileTime{c.U64()}};
        case kClsid:
            return Converted{PropType::Guid, ToGuid(v)};
        case kDouble: {
            const std::uint64_t bits = c.U64();
            double d = 0;
            static_assert(sizeof d == sizeof bits);
            std::copy_n(reinterpret_cast<const std::uint8_t*>(&bits), sizeof d, reinterpret_cast<std::uint8_t*>(&d));
            return Converted{PropType::Double, d};
        }
        default:
            return std::nullopt;
    }
}

struct PropertyHeader {
    std::uint16_t type = 0;
    std::uint16_t id = 0;
    std::optional<msg::PropertyName> name;
};

bool ReadName(TnefCursor& c, msg::PropertyName& name) {
    name.propertySet = ToGuid(c.Take(16));
    const std::uint32_t kind = c.U32();
    if (kind == 0) {
        name.name = c.U32();
    } else if (kind == 1) {
        const std::uint32_t length = c.U32();
        if (length > c.Remaining()) return false;
        name.name = DecodeUnicode(c.Take(length));
        c.SkipPadding(length);
    } else {
        return false;
    }
    return c.Ok();
}

}  // namespace

void SetProperty(TnefProperties& into, std::uint32_t tag, msg::PropertyValue value) {
    for (msg::Property& p : into.fixed) {
        if (p.tag == tag) {
            p.value = std::move(value);
            return;
        }
    }
    into.fixed.push_back({tag, std::move(value)});
}

std::u16string DecodeString8(std::span<const std::uint8_t> bytes, std::uint32_t codePage) {
    const auto nul = std::find(bytes.begin(), bytes.end(), std::uint8_t{0});
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()),
                                static_cast<std::size_t>(nul - bytes.begin()));
    const std::string charset = codePage == 0 ? std::string("windows-1252") : "cp" + std::to_string(codePage);
    return charset::DecodeToUtf16(text, charset).text;
}

namespace {

// Reads one counted property list from `c`, leaving the cursor after it.
bool ReadProperties(TnefCursor& c, std::uint32_t codePage, TnefProperties& into,
                    std::vector<TnefObjectValue>& objects) {
    const std::uint32_t count = c.U32();
    // Every property takes at least eight bytes, which bounds a lying count.
    if (!c.Ok() || count > c.Remaining() / 8 + 1) return false;
    for (std::uint32_t n = 0; n < count; ++n) {
        PropertyHeader h;
        h.type = c.U16();
        h.id = c.U16();
        if (!c.Ok()) return false;
        if (h.id >= msg::kFirstNamedId) {
            msg::PropertyName name;
            if (!ReadName(c, name)) return false;
            h.name = std::move(name);
        }
        const bool multi = (h.type & kMultiValued) != 0;
        const std::uint16_t base = h.type & static_cast<std::uint16_t>(~kMultiValued);
        const std::size_t fixed = FixedSize(base);
        if (fixed == 0 && !IsCounted(base)) return false;

        std::optional<Converted> converted;
        if (!multi && fixed != 0) {
            converted = ConvertFixed(base, c.Take(fixed));
        } else {
            const std::uint32_t values = c.U32();
            if (!c.Ok() || values > c.Remaining() / 4 + 1) return false;
            std::vector<std::int32_t> ints;
            std::vector<std::u16string> strings;
            std::vector<msg::Bytes> binaries;
            for (std::uint32_t v = 0; v < values; ++v) {
                if (fixed != 0) {
                    const auto bytes = c.Take(fixed);
                    if (base == kLong && bytes.size() == 4) {
                        ints.push_back(static_cast<std::int32_t>(TnefCursor(bytes).U32()));
                    }
                    continue;
                }
                const std::uint32_t size = c.U32();
                if (!c.Ok() || size > c.Remaining()) return false;
                const auto bytes = c.Take(size);
                c.SkipPadding(size);
                if (base == kString8) strings.push_back(DecodeString8(bytes, codePage));
                if (base == kUnicode) strings.push_back(DecodeUnicode(bytes));
                if (base == kBinary) binaries.emplace_back(bytes.begin(), bytes.end());
                if (base == kObject && !multi && v == 0 && bytes.size() >= 16 && !h.name) {
                    objects.push_back(
                        {msg::MakeTag(h.id, PropType::Object), ToGuid(bytes.first(16)), bytes.subspan(16)});
                }
            }
            if (!c.Ok()) return false;
            if (multi) {
                if (base == kLong) converted = Converted{PropType::MultiInt32, std::move(ints)};
                if (base == kString8 || base == kUnicode) {
                    converted = Converted{PropType::MultiString, std::move(strings)};
                }
                if (base == kBinary) converted = Converted{PropType::MultiBinary, std::move(binaries)};
            } else if (!strings.empty()) {
                converted = Converted{PropType::String, std::move(strings.front())};
            } else if (!binaries.empty()) {
                converted = Converted{PropType::Binary, std::move(binaries.front())};
            }
        }
        if (!c.Ok()) return false;
        if (!converted) continue;
        if (h.name) {
            auto existing = std::find_if(into.named.begin(), into.named.end(),
                                         [&](const msg::NamedProperty& p) { return p.name == *h.name; });
            if (existing != into.named.end()) {
                existing->type = converted->type;
                existing->value = std::move(converted->value);
            } else {
                into.named.push_back({std::move(*h.name), converted->type, std::move(converted->value)});
            }
        } else {
            SetProperty(into, msg::MakeTag(h.id, converted->type), std::move(converted->value));
        }
    }
    return c.Ok();
}

}  // namespace

bool ReadPropertyBlock(std::span<const std::uint8_t> block, std::uint32_t codePage, TnefProperties& into,
                       std::vector<TnefObjectValue>& objects) {
    TnefCursor c(block);
    return ReadProperties(c, codePage, into, objects);
}

bool ReadRecipientTable(std::span<const std::uint8_t> block, std::uint32_t codePage,
                        std::vector<TnefProperties>& rows) {
    TnefCursor c(block);
    const std::uint32_t count = c.U32();
    // Every row takes at least its four-byte property count.
    if (!c.Ok() || count > c.Remaining() / 4) return false;
    rows.reserve(rows.size() + count);
    for (std::uint32_t n = 0; n < count; ++n) {
        TnefProperties row;
        std::vector<TnefObjectValue> objects;
        if (!ReadProperties(c, codePage, row, objects)) return false;
        rows.push_back(std::move(row));
    }
    return true;
}

}  // namespace mailvane::tnef
