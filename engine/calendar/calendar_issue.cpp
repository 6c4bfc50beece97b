#include "engine/calendar/calendar_issue.h"

namespace mailvane::calendar {

const char* CalendarIssueKindName(CalendarIssueKind kind) {
    switch (kind) {
        case CalendarIssueKind::MalformedContentLine:
            return "MalformedContentLine";
        case CalendarIssueKind::LineLengthLimit:
            return "LineLengthLimit";
        case CalendarIssueKind::ContentLineLimit:
            return "ContentLineLimit";
        case CalendarIssueKind::ComponentLimit:
            return "ComponentLimit";
        case CalendarIssueKind::NestingLimit:
            return "NestingLimit";
        case CalendarIssueKind::UnbalancedComponent:
            return "UnbalancedComponent";
        case CalendarIssueKind::PropertyOutsideComponent:
            return "PropertyOutsideComponent";
        case CalendarIssueKind::InvalidParameter:
            return "InvalidParameter";
        case CalendarIssueKind::InvalidDateTime:
            return "InvalidDateTime";
        case CalendarIssueKind::InvalidDuration:
            return "InvalidDuration";
        case CalendarIssueKind::InvalidUtcOffset:
            return "InvalidUtcOffset";
        case CalendarIssueKind::InvalidInteger:
            return "InvalidInteger";
        case CalendarIssueKind::InvalidRecurrenceRule:
            return "InvalidRecurrenceRule";
        case CalendarIssueKind::UnsupportedRecurrence:
            return "UnsupportedRecurrence";
        case CalendarIssueKind::UnplacedInstance:
            return "UnplacedInstance";
        case CalendarIssueKind::UnknownTimeZone:
            return "UnknownTimeZone";
        case CalendarIssueKind::FloatingTime:
            return "FloatingTime";
        case CalendarIssueKind::InvalidTimeZone:
            return "InvalidTimeZone";
        case CalendarIssueKind::InvalidCalendarAddress:
            return "InvalidCalendarAddress";
        case CalendarIssueKind::NoEvent:
            return "NoEvent";
    }
    return "Unknown";
}

}  // namespace mailvane::calendar
