#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "engine/msg/property_value.h"

namespace mailvane::mapping {

// 16 bytes that stand for `text`: the same text always gives the same
// bytes, different texts almost never do (two FNV-1a runs).
msg::GuidBytes StableGuid(std::string_view text);

// PidTagConversationIndex of a thread's first message: a 22-byte header
// block of 0x01, five bytes of the FILETIME of `submitted` and a GUID.
msg::Bytes ConversationIndex(std::int64_t submittedUnixSeconds, const msg::GuidBytes& guid);

// The conversation index a Thread-Index field carries: its base64 decoded,
// byte for byte, as Outlook takes it. Nothing when the field does not
// decode to a header block and whole five-byte child blocks.
std::optional<msg::Bytes> ConversationIndexFromThreadIndex(std::string_view fieldValue);

}  // namespace mailvane::mapping
