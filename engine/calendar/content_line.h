#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "engine/calendar/calendar_component.h"
#include "engine/calendar/calendar_issue.h"

namespace mailvane::calendar {

// Splits iCalendar text into content lines (RFC 5545 3.1): a line break
// followed by one blank continues the line, and each logical line is
// "NAME *(;PARAM=VALUE *(,VALUE)):VALUE". Line breaks may be CRLF, LF or
// CR alone, as real calendars write all three. The reader keeps a position
// into `text`, which must outlive it.
class ContentLineReader {
public:
    ContentLineReader(std::string_view text, std::size_t maxLineLength, std::vector<CalendarIssue>& issues);

    // The next well-formed content line; false at the end of the text.
    // Malformed lines are recorded and skipped, blank lines skipped silently.
    bool Next(CalendarProperty& line);

private:
    bool NextLogicalLine(std::string& logical, std::size_t& offset);

    std::string_view m_text;
    std::size_t m_position = 0;
    std::size_t m_maxLineLength;
    std::vector<CalendarIssue>& m_issues;  // owned by the caller
};

// Reads one unfolded line. False, with the issue recorded, when it is no
// content line (no name, or no colon after the name and parameters).
bool ParseContentLine(std::string_view logical, std::size_t offset, CalendarProperty& line,
                      std::vector<CalendarIssue>& issues);

}  // namespace mailvane::calendar
