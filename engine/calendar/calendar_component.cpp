#include "engine/calendar/calendar_component.h"

namespace mailvane::calendar {

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
