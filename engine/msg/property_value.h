#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "engine/io/byte_source.h"
#include "engine/msg/file_time.h"

namespace mailvane::msg {

// MAPI property types a message file holds ([MS-OXCDATA] 2.11.1).
enum class PropType : std::uint16_t {
    Int16 = 0x0002,
    Int32 = 0x0003,
    Double = 0x0005,
    Boolean = 0x000B,
    Object = 0x000D,
    Int64 = 0x0014,
    String = 0x001F,
    Time = 0x0040,
    Guid = 0x0048,
    Binary = 0x0102,
    MultiInt32 = 0x1003,
    MultiString = 0x101F,
    MultiBinary = 0x1102,
};

constexpr std::uint32_t MakeTag(std::uint16_t id, PropType type) {
    return (std::uint32_t{id} << 16) | static_cast<std::uint16_t>(type);
}
constexpr std::uint16_t TagId(std::uint32_t tag) { return static_cast<std::uint16_t>(tag >> 16); }
constexpr PropType TagType(std::uint32_t tag) { return static_cast<PropType>(tag & 0xFFFF); }

// Named property ids run from 0x8000 to 0xFFFE; a file maps them to names.
inline constexpr std::uint16_t kFirstNamedId = 0x8000;

using Bytes = std::vector<std::uint8_t>;

// A GUID in its file form: Data1..Data3 little-endian, Data4 as bytes.
using GuidBytes = std::array<std::uint8_t, 16>;

// The value of one property. The alternative in use must fit the type in
// the property's tag: Int16 int16_t, Int32 int32_t, Double double, Boolean
// bool, Int64 int64_t, Time FileTime, String u16string, Guid GuidBytes,
// Binary Bytes, MultiInt32 vector<int32_t>, MultiString vector<u16string>,
// MultiBinary vector<Bytes>. Object is never a value: embedded messages are
// attachments' children. A large String or Binary value may instead be a
// StreamedValue, made when the file is written (a String's as UTF-16LE
// without a terminator).
using StreamedValue = std::shared_ptr<const ByteSource>;
using PropertyValue =
    std::variant<std::int16_t, std::int32_t, double, bool, std::int64_t, FileTime, std::u16string, GuidBytes, Bytes,
                 std::vector<std::int32_t>, std::vector<std::u16string>, std::vector<Bytes>, StreamedValue>;

}  // namespace mailvane::msg
