#pragma once

#include <cstdint>
#include <string>

#include "engine/msg/property_value.h"

namespace mailvane::msg {

// Why `value` cannot be written under `tag`, or empty when it can: the
// tag's type must be one this writer knows, and the value's alternative
// must be the one that type takes.
std::string CheckPropertyValue(std::uint32_t tag, const PropertyValue& value);

}  // namespace mailvane::msg
