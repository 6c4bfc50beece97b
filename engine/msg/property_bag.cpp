#include "engine/msg/property_bag.h"

#include <algorithm>
#include <utility>

namespace mailvane::msg {

std::uint32_t PropertyBag::NameHash(const PropertyName& name) {
    if (const auto* id = std::get_if<std::uint32_t>(&name.name)) return *id;
    const std::u16string& text = std::get<std::u16string>(name.name);
    if (text.empty()) return 0x10000;
    return static_cast<std::uint32_t>(text.size() << 20) ^ (std::uint32_t{text.front()} << 10) ^ text.back();
}

void PropertyBag::Set(std::uint32_t tag, PropertyValue value) {
    if (MaybeSeen(m_seen, tag)) {
        const auto it = std::find_if(m_properties.begin(), m_properties.end(),
                                     [tag](const Property& property) { return property.tag == tag; });
        if (it != m_properties.end()) {
            it->value = std::move(value);
            return;
        }
    }
    MarkSeen(m_seen, tag);
    // An object takes a few dozen properties, a message often more than 32:
    // room for them at once spares moving every value at each doubling.
    if (m_properties.empty()) m_properties.reserve(64);
    m_properties.push_back(Property{tag, std::move(value)});
}

void PropertyBag::SetNamed(PropertyName name, PropType type, PropertyValue value) {
    const std::uint32_t hash = NameHash(name);
    if (MaybeSeen(m_namedSeen, hash)) {
        const auto it = std::find_if(m_named.begin(), m_named.end(),
                                     [&name](const NamedProperty& property) { return property.name == name; });
        if (it != m_named.end()) {
            it->type = type;
            it->value = std::move(value);
            return;
        }
    }
    MarkSeen(m_namedSeen, hash);
    m_named.push_back(NamedProperty{std::move(name), type, std::move(value)});
}

void PropertyBag::Remove(std::uint32_t tag) {
    std::erase_if(m_properties, [tag](const Property& property) { return property.tag == tag; });
}

const PropertyValue* PropertyBag::Get(std::uint32_t tag) const {
    if (!MaybeSeen(m_seen, tag)) return nullptr;
    const auto it = std::find_if(m_properties.begin(), m_properties.end(),
                                 [tag](const Property& property) { return property.tag == tag; });
    return it == m_properties.end() ? nullptr : &it->value;
}

}  // namespace mailvane::msg
