#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "engine/msg/property_value.h"

namespace mailvane::pst {

// A message file's property value in the form a store keeps it
// ([MS-PST] 2.3.3.4): fixed-size values little-endian in their own size (a
// Boolean in one byte), strings UTF-16LE without a terminator, binaries as
// they are, multi-valued integers packed, multi-valued strings and binaries
// as a count, an offset per item and the items. A streamed value is made
// here, whole in memory: a store's property context holds its values until
// the node is written. nullopt when a streamed value failed to produce its
// bytes or produced another size than it announced.
std::optional<std::vector<std::uint8_t>> PropertyValueBytes(const msg::PropertyValue& value);

}  // namespace mailvane::pst
