#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "engine/msg/property_value.h"
#include "engine/tnef/tnef_reader.h"

namespace mailvane::tnef {

// A PT_OBJECT value: the interface it was saved through and its bytes.
struct TnefObjectValue {
    std::uint32_t tag = 0;
    msg::GuidBytes iid{};
    std::span<const std::uint8_t> data;
};

// Sets `tag` in `into`, replacing an earlier value for the same tag.
void SetProperty(TnefProperties& into, std::uint32_t tag, msg::PropertyValue value);

// 8-bit text from the stream, in the code page attOemCodepage names, up to
// its first NUL.
std::u16string DecodeString8(std::span<const std::uint8_t> bytes, std::uint32_t codePage);

// Decodes the counted property list of attMAPIProps or attAttachment into
// `into`; PT_OBJECT values go to `objects` (they point into `block`).
// False when the block is malformed.
bool ReadPropertyBlock(std::span<const std::uint8_t> block, std::uint32_t codePage, TnefProperties& into,
                       std::vector<TnefObjectValue>& objects);

// Decodes attRecipTable: a count of rows, each row a counted property list
// as in attMAPIProps, one row per recipient. False when a row is malformed
// or the count promises more rows than the bytes can hold.
bool ReadRecipientTable(std::span<const std::uint8_t> block, std::uint32_t codePage, std::vector<TnefProperties>& rows);

}  // namespace mailvane::tnef
