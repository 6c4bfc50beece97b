#pragma once

#include <cstddef>
#include <string>

namespace mailvane::calendar {

// Something in an iCalendar stream that a strict reading would reject.
// Reading goes on: each issue records what was done instead.
enum class CalendarIssueKind {
    MalformedContentLine,  // no name or no colon: the line is skipped
    LineLengthLimit,       // an unfolded line past the bound: its value is cut
    ContentLineLimit,      // lines past the bound are not read
    ComponentLimit,        // components past the bound are skipped
    NestingLimit,          // components nested deeper are skipped
    UnbalancedComponent,   // END without its BEGIN, or a component never ended
    PropertyOutsideComponent,
    InvalidParameter,  // a parameter without "=" or an unterminated quote
    InvalidDateTime,
    InvalidDuration,
    InvalidUtcOffset,
    InvalidInteger,
    InvalidRecurrenceRule,
    UnsupportedRecurrence,  // a rule Outlook's recurrence patterns cannot express: not recurring
    UnplacedInstance,       // a RECURRENCE-ID instance the series cannot take: left out
    UnknownTimeZone,        // a TZID naming no VTIMEZONE and no known zone: read as a floating time
    FloatingTime,           // a time without Z or TZID in an event with no zone: its wall clock kept as UTC
    InvalidTimeZone,        // a VTIMEZONE that gives no usable rule
    InvalidCalendarAddress,
    NoEvent,  // the calendar holds no VEVENT
};

struct CalendarIssue {
    CalendarIssueKind kind;
    std::size_t offset = 0;  // byte offset in the iCalendar text where it was met
    std::string detail;      // short, for people: what was seen
};

const char* CalendarIssueKindName(CalendarIssueKind kind);

}  // namespace mailvane::calendar
