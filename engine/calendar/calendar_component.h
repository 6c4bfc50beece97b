#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace mailvane::calendar {

// A property parameter: "ROLE=OPT-PARTICIPANT", "DELEGATED-TO="a","b"".
struct CalendarParameter {
    std::string name;                 // upper case
    std::vector<std::string> values;  // quotes removed
};

// One content line of an iCalendar stream, unfolded.
struct CalendarProperty {
    std::string name;  // upper case
    std::vector<CalendarParameter> parameters;
    std::string value;       // UTF-8 as written after the colon: escapes are undone by the value readers
    std::size_t offset = 0;  // of the line's first byte in the stream

    const CalendarParameter* Parameter(std::string_view name) const;
    // The first value of a parameter; empty when it is absent.
    std::string_view ParameterValue(std::string_view name) const;
};

// BEGIN:NAME ... END:NAME with its properties and nested components.
struct CalendarComponent {
    std::string name;  // upper case
    std::vector<CalendarProperty> properties;
    std::vector<CalendarComponent> children;
    std::size_t offset = 0;  // of its BEGIN line

    const CalendarProperty* Find(std::string_view name) const;
    std::vector<const CalendarProperty*> FindAll(std::string_view name) const;
    std::vector<const CalendarComponent*> Children(std::string_view name) const;
};

}  // namespace mailvane::calendar
