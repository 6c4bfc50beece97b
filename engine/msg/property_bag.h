#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "engine/msg/property_value.h"

namespace mailvane::msg {

// A named property's name: a property set and a numeric id or a string.
struct PropertyName {
    GuidBytes propertySet{};
    std::variant<std::uint32_t, std::u16string> name;
    // The names first: a message's named properties mostly share a few sets
    // and differ in their names.
    bool operator==(const PropertyName& other) const { return name == other.name && propertySet == other.propertySet; }
};

struct Property {
    std::uint32_t tag = 0;  // for named properties the id part is assigned by the writer
    PropertyValue value;
};

struct NamedProperty {
    PropertyName name;
    PropType type;
    PropertyValue value;
};

// The properties of one object. Setting a tag again replaces its value.
class PropertyBag {
public:
    void Set(std::uint32_t tag, PropertyValue value);
    void SetNamed(PropertyName name, PropType type, PropertyValue value);
    void Remove(std::uint32_t tag);
    const PropertyValue* Get(std::uint32_t tag) const;
    const std::vector<Property>& Fixed() const { return m_properties; }
    const std::vector<NamedProperty>& Named() const { return m_named; }

private:
    // Whether a tag or a name may be among the properties: a bit per hash,
    // set when one is added and never cleared. A clear bit spares the
    // search, and most tags and names an object is given are new to it.
    using SeenBits = std::array<std::uint64_t, 4>;
    static std::size_t SeenBit(std::uint32_t hash) { return (hash * 0x9E3779B1u) >> 24; }
    static bool MaybeSeen(const SeenBits& bits, std::uint32_t hash) {
        return (bits[SeenBit(hash) / 64] >> (SeenBit(hash) % 64)) & 1;
    }
    static void MarkSeen(SeenBits& bits, std::uint32_t hash) {
        bits[SeenBit(hash) / 64] |= std::uint64_t{1} << (SeenBit(hash) % 64);
    }
    // A name's id, or of a string name its length and its first and last units.
    static std::uint32_t NameHash(const PropertyName& name);

    std::vector<Property> m_properties;
    std::vector<NamedProperty> m_named;
    SeenBits m_seen{};
    SeenBits m_namedSeen{};
};

}  // namespace mailvane::msg
