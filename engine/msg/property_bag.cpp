#include "engine/msg/message.h"

#include <algorithm>
#include <utility>

namespace mailvane::msg {

void PropertyBag::Set(std::uint32_t tag, PropertyValue value) {
    const auto it = std::find_if(properties_.begin(), properties_.end(),
                                 [tag](const Property& property) { return property.tag == tag; });
    if (it != properties_.end()) {
        it->value = std::move(value);
        return;
    }
    properties_.push_back(Property{tag, std::move(value)});
}

void PropertyBag::SetNamed(PropertyName name, PropType type, PropertyValue value) {
    const auto it = std::find_if(named_.begin(), named_.end(),
                                 [&name](const NamedProperty& property) { return property.name == name; });
    if (it != named_.end()) {
        it->type = type;
        it->value = std::move(value);
        return;
    }
    named_.push_back(NamedProperty{std::move(name), type, std::move(value)});
}

void PropertyBag::Remove(std::uint32_t tag) {
    std::erase_if(properties_, [tag](const Property& property) { return property.tag == tag; });
}

const PropertyValue* PropertyBag::Get(std::uint32_t tag) const {
    const auto it = std::find_if(properties_.begin(), properties_.end(),
                                 [tag](const Property& property) { return property.tag == tag; });
    return it == properties_.end() ? nullptr : &it->value;
}

}  // namespace mailvane::msg
