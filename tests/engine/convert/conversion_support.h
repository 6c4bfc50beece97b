#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "engine/convert/eml_converter.h"
#include "engine/io/vector_sink.h"
#include "engine/msg/message.h"
#include "engine/msg/msg_writer.h"
#include "engine/msg/property_tags.h"

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

// A message converted at a fixed "now", its bodies of `streamBodiesFrom`
// bytes or more made while the file is written, and written.
struct WrittenConversion {
    std::vector<std::uint8_t> file;
    bool bodyStreamed = false;  // PidTagBody was made while writing
    bool htmlStreamed = false;  // and PidTagHtml
};

inline WrittenConversion ConvertAndWrite(std::vector<std::uint8_t> eml, std::size_t streamBodiesFrom) {
    ConversionOptions options;
    options.nowUnixSeconds = kConversionNow;
    options.streamBodiesFrom = streamBodiesFrom;
    const Conversion conversion = ConvertEml(std::move(eml), options);
    WrittenConversion written;
    const auto* body = conversion.message->properties.Get(msg::PidTagBody);
    const auto* html = conversion.message->properties.Get(msg::PidTagHtml);
    written.bodyStreamed = body && std::holds_alternative<msg::StreamedValue>(*body);
    written.htmlStreamed = html && std::holds_alternative<msg::StreamedValue>(*html);
    VectorSink sink;
    EXPECT_EQ(msg::WriteMessageFile(*conversion.message, sink).status, msg::WriteStatus::Ok);
    written.file = sink.Take();
    return written;
}

}  // namespace mailvane::testing
