#include "engine/calendar/calendar_component.h"

namespace mailvane::calendar {

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        char y = b[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
        if (x != y) return false;
    }
    return true;
}

const CalendarParameter* CalendarProperty::Parameter(std::string_view parameterName) const {
    for (const auto& parameter : parameters) {
        if (parameter.name == parameterName) return &parameter;
    }
    return nullptr;
}

std::string_view CalendarProperty::ParameterValue(std::string_view parameterName) const {
    const CalendarParameter* parameter = Parameter(parameterName);
    if (!parameter || parameter->values.empty()) return {};
    return parameter->values.front();
}

const CalendarProperty* CalendarComponent::Find(std::string_view propertyName) const {
    for (const auto& property : properties) {
        if (property.name == propertyName) return &property;
    }
    return nullptr;
}

std::vector<const CalendarProperty*> CalendarComponent::FindAll(std::string_view propertyName) const {
    std::vector<const CalendarProperty*> found;
    for (const auto& property : properties) {
        if (property.name == propertyName) found.push_back(&property);
    }
    return found;
}

std::vector<const CalendarComponent*> CalendarComponent::Children(std::string_view componentName) const {
    std::vector<const CalendarComponent*> found;
    for (const auto& child : children) {
        if (child.name == componentName) found.push_back(&child);
    }
    return found;
}

}  // namespace mailvane::calendar
