#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/cfb/directory_name.h"
#include "engine/cfb/stream_data.h"
#include "engine/io/byte_arena.h"
#include "engine/msg/message.h"
#include "engine/msg/named_property_map.h"

namespace mailvane::msg {

enum class ObjectKind { TopLevelMessage, EmbeddedMessage, Recipient, Attachment };

struct EncodedStream {
    cfb::DirectoryName name;
    cfb::StreamData data;
};

// What the properties of one object become: the property stream and one
// value stream per variable-length value. Values are referenced from the
// bag, not copied; the arena keeps what had to be built.
struct ObjectEncoding {
    ObjectKind kind = ObjectKind::Recipient;
    std::uint32_t recipientCount = 0;   // messages only
    std::uint32_t attachmentCount = 0;  // messages only
    bool hasEmbeddedMessage = false;    // attachments only: adds the object entry
};

// Every value must already have passed CheckPropertyValue. Empty when a
// named property's name is not in `names`: without an id from the mapping
// its tag would fall outside the named range and stand for another
// property. Messages get PidTagStoreSupportMask with STORE_UNICODE_OK,
// because every string this writer puts out is UTF-16; this is the one
// place that sets it.
std::optional<std::vector<EncodedStream>> EncodeProperties(const PropertyBag& bag, const ObjectEncoding& object,
                                                           const NamedPropertyMap& names, ByteArena& arena);

}  // namespace mailvane::msg
