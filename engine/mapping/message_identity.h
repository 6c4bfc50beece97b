#pragma once

#include <cstdint>
#include <string_view>

#include "engine/msg/property_value.h"

namespace mailvane::mapping {

// 16 bytes that stand for `text`: the same text always gives the same
// bytes, different texts almost never do (two FNV-1a runs).
msg::GuidBytes StableGuid(std::string_view text);

// PidTagConversationIndex of a thread's first message: 0x01, the five
// high bytes of the FILETIME of `submitted`, then a GUID.
msg::Bytes ConversationIndex(std::int64_t submittedUnixSeconds, const msg::GuidBytes& guid);

}  // namespace mailvane::mapping
