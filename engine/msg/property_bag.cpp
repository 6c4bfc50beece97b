#include "engine/msg/property_bag.h"

#include <algorithm>
#include <utility>

namespace mailvane::msg {

void PropertyBag::Set(std::uint32_t tag, PropertyValue value) {
    if (MaybeSeen(tag)) {
        const auto it = std::find_if(m_properties.begin(), m_properties.end(),
                                     [tag](const Property& property) { return property.tag == tag; });
        if (it != m_properties.end()) {
            it->value = std::move(value);
            return;
        }
    }
    m_seen[SeenBit(tag) / 64] |= std::uint64_t{1} << (SeenBit(tag) % 64);
    // An object takes a few dozen properties: room for them at once spares
    // moving every value at each doubling.
    if (m_properties.empty()) m_properties.reserve(32);
    m_properties.push_back(Property{tag, std::move(value)});
}

void PropertyBag::SetNamed(PropertyName name, PropType type, PropertyValue value) {
    const auto it = std::find_if(m_named.begin(), m_named.end(),
                                 [&name](const NamedProperty& property) { return property.name == name; });
    if (it != m_named.end()) {
        it->type = type;
        it->value = std::move(value);
        return;
    }
    m_named.push_back(NamedProperty{std::move(name), type, std::move(value)});
}

void PropertyBag::Remove(std::uint32_t tag) {
    std::erase_if(m_properties, [tag](const Property& property) { return property.tag == tag; });
}

const PropertyValue* PropertyBag::Get(std::uint32_t tag) const {
    if (!MaybeSeen(tag)) return nullptr;
    const auto it = std::find_if(m_properties.begin(), m_properties.end(),
                                 [tag](const Property& property) { return property.tag == tag; });
    return it == m_properties.end() ? nullptr : &it->value;
}

}  // namespace mailvane::msg
