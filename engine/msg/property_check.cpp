#include "engine/msg/property_check.h"

#include <cstdio>
#include <variant>

namespace mailvane::msg {

namespace {

// The variant index each property type takes (see PropertyValue).
int ExpectedAlternative(PropType type) {
    switch (type) {
        case PropType::Int16:
            return 0;
        case PropType::Int32:
            return 1;
        case PropType::Double:
            return 2;
        case PropType::Boolean:
            return 3;
        case PropType::Int64:
            return 4;
        case PropType::Time:
            return 5;
        case PropType::String:
            return 6;
        case PropType::Guid:
            return 7;
        case PropType::Binary:
            return 8;
        case PropType::MultiInt32:
            return 9;
        case PropType::MultiString:
            return 10;
        case PropType::MultiBinary:
            return 11;
        case PropType::Object:
            return -1;
    }
    return -2;
}

std::string TagText(std::uint32_t tag) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(tag));
    return text;
}

}  // namespace

std::string CheckPropertyValue(std::uint32_t tag, const PropertyValue& value) {
    const int expected = ExpectedAlternative(TagType(tag));
    if (expected == -1) return "property " + TagText(tag) + ": an object is an embedded message, never a value";
    if (expected == -2) return "property " + TagText(tag) + ": type not supported";
    const auto* streamed = std::get_if<StreamedValue>(&value);
    if (streamed) {
        const PropType type = TagType(tag);
        if (type != PropType::String && type != PropType::Binary) {
            return "property " + TagText(tag) + ": only a string or binary value can be made while writing";
        }
        if (!*streamed) return "property " + TagText(tag) + ": no source for a value made while writing";
        if (type == PropType::String && (*streamed)->Size() % 2 != 0) {
            return "property " + TagText(tag) + ": a string made while writing has an odd number of bytes";
        }
        return {};
    }
    if (static_cast<int>(value.index()) != expected) {
        return "property " + TagText(tag) + ": value does not fit the tag's type";
    }
    return {};
}

}  // namespace mailvane::msg
