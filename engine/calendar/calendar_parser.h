#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "engine/calendar/calendar_component.h"
#include "engine/calendar/calendar_issue.h"

namespace mailvane::calendar {

struct CalendarLimits {
    std::size_t maxLineLength = 1 << 20;  // unfolded; longer values are cut
    std::size_t maxContentLines = 200000;
    std::size_t maxComponents = 20000;
    std::size_t maxDepth = 8;  // VCALENDAR > VEVENT > VALARM needs 3
};

struct ParsedCalendar {
    std::vector<CalendarComponent> roots;  // VCALENDAR components, in order
    std::vector<CalendarIssue> issues;

    // The first VCALENDAR, or null.
    const CalendarComponent* Calendar() const;
};

// Reads iCalendar text (UTF-8) into its component tree. Never throws and
// never fails: what does not parse is recorded and skipped, components left
// open at the end are closed, and everything past a bound is dropped with
// an issue. Time and memory are linear in the size of the text.
ParsedCalendar ParseCalendar(std::string_view text, const CalendarLimits& limits = {});

}  // namespace mailvane::calendar
