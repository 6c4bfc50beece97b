#pragma once

#include "engine/msg/message.h"
#include "engine/msg/msg_writer.h"
#include "engine/msg/named_property_map.h"

namespace mailvane::msg {

// Embedded messages nest at most this deep below the top-level message.
inline constexpr int kMaxEmbeddingDepth = 64;

// Checks every value against its tag's type, the recipient and attachment
// limits and the nesting depth, and adds every property name of the
// message and its sub-objects to `names` in the order they are met.
// Status Ok or Invalid, with the first problem in the detail.
WriteResult CheckMessageTree(const Message& message, NamedPropertyMap& names);

}  // namespace mailvane::msg
