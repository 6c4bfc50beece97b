#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/convert/eml_converter.h"
#include "engine/msg/message.h"

namespace mailvane::testing {

inline constexpr std::int64_t kConversionNow = 1700000000;

// A message converted at a fixed "now".
inline Conversion ConvertText(std::string_view eml) {
    ConversionOptions options;
    options.nowUnixSeconds = kConversionNow;
    return ConvertEml(std::vector<std::uint8_t>(eml.begin(), eml.end()), options);
}

// A property of the given type; a test failure (and an empty value) when it
// is missing or has another type.
template <typename T>
T PropertyOf(const msg::PropertyBag& bag, std::uint32_t tag) {
    const msg::PropertyValue* value = bag.Get(tag);
    if (!value) {
        ADD_FAILURE() << "missing property " << std::hex << tag;
        return T{};
    }
    const T* typed = std::get_if<T>(value);
    if (!typed) {
        ADD_FAILURE() << "wrong type for " << std::hex << tag;
        return T{};
    }
    return *typed;
}

inline std::u16string TextOf(const msg::PropertyBag& bag, std::uint32_t tag) {
    return PropertyOf<std::u16string>(bag, tag);
}

}  // namespace mailvane::testing
