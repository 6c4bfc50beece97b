#include "engine/calendar/content_line.h"

#include "engine/text/ascii_case.h"

namespace mailvane::calendar {

namespace {

bool IsNameChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
}

bool IsLineBreak(char c) { return c == '\r' || c == '\n'; }

// Length of the line break at `at` (CRLF, LF or CR), 0 when there is none.
std::size_t LineBreakLength(std::string_view text, std::size_t at) {
    if (at >= text.size()) return 0;
    if (text[at] == '\r') return at + 1 < text.size() && text[at + 1] == '\n' ? 2 : 1;
    return text[at] == '\n' ? 1 : 0;
}

std::string Excerpt(std::string_view text) {
    constexpr std::size_t kMax = 40;
    return std::string(text.substr(0, kMax));
}

}  // namespace

ContentLineReader::ContentLineReader(std::string_view text, std::size_t maxLineLength,
                                     std::vector<CalendarIssue>& issues)
    : m_text(text), m_maxLineLength(maxLineLength), m_issues(issues) {
    // A byte order mark is no part of the first line.
    if (m_text.substr(0, 3) == "\xEF\xBB\xBF") m_position = 3;
}

bool ContentLineReader::NextLogicalLine(std::string& logical, std::size_t& offset) {
    logical.clear();
    offset = m_position;
    if (m_position >= m_text.size()) return false;
    bool cut = false;
    while (m_position < m_text.size()) {
        std::size_t end = m_position;
        while (end < m_text.size() && !IsLineBreak(m_text[end])) ++end;
        std::string_view piece = m_text.substr(m_position, end - m_position);
        if (logical.size() + piece.size() > m_maxLineLength) {
            piece = piece.substr(0, m_maxLineLength - logical.size());
            cut = true;
        }
        logical.append(piece);
        const std::size_t breakLength = LineBreakLength(m_text, end);
        m_position = end + breakLength;
        const bool continues =
            breakLength != 0 && m_position < m_text.size() && (m_text[m_position] == ' ' || m_text[m_position] == '\t');
        if (!continues) break;
        ++m_position;  // the blank that marks the fold is no part of the value
    }
    if (cut) m_issues.push_back({CalendarIssueKind::LineLengthLimit, offset, "line cut at the length bound"});
    return true;
}

bool ContentLineReader::Next(CalendarProperty& line) {
    std::string logical;
    std::size_t offset = 0;
    while (NextLogicalLine(logical, offset)) {
        if (logical.find_first_not_of(" \t") == std::string::npos) continue;
        if (ParseContentLine(logical, offset, line, m_issues)) return true;
    }
    return false;
}

bool ParseContentLine(std::string_view logical, std::size_t offset, CalendarProperty& line,
                      std::vector<CalendarIssue>& issues) {
    line = CalendarProperty{};
    line.offset = offset;
    std::size_t at = 0;
    while (at < logical.size() && IsNameChar(logical[at])) ++at;
    if (at == 0 || at == logical.size() || (logical[at] != ';' && logical[at] != ':')) {
        issues.push_back({CalendarIssueKind::MalformedContentLine, offset, Excerpt(logical)});
        return false;
    }
    line.name = text::ToUpperAscii(logical.substr(0, at));

    while (at < logical.size() && logical[at] == ';') {
        ++at;
        const std::size_t nameStart = at;
        while (at < logical.size() && IsNameChar(logical[at])) ++at;
        CalendarParameter parameter;
        parameter.name = text::ToUpperAscii(logical.substr(nameStart, at - nameStart));
        if (at >= logical.size() || logical[at] != '=' || parameter.name.empty()) {
            issues.push_back({CalendarIssueKind::InvalidParameter, offset, Excerpt(logical.substr(nameStart))});
            // Skip what is left of the parameter; the value starts at the next colon.
            while (at < logical.size() && logical[at] != ';' && logical[at] != ':') ++at;
            continue;
        }
        ++at;
        while (true) {
            // A value is quoted or plain; real calendars also run the two
            // together ("CN=""Pst Extractor"""), read as the text they hold.
            std::string value;
            bool quoted = false;
            while (at < logical.size()) {
                const char c = logical[at];
                if (c == '"') {
                    quoted = !quoted;
                } else if (!quoted && (c == ',' || c == ';' || c == ':')) {
                    break;
                } else {
                    value.push_back(c);
                }
                ++at;
            }
            if (quoted) {
                issues.push_back({CalendarIssueKind::InvalidParameter, offset, "unterminated quoted value"});
                issues.push_back({CalendarIssueKind::MalformedContentLine, offset, Excerpt(logical)});
                return false;
            }
            parameter.values.push_back(std::move(value));
            if (at < logical.size() && logical[at] == ',') {
                ++at;
                continue;
            }
            break;
        }
        line.parameters.push_back(std::move(parameter));
    }
    if (at >= logical.size() || logical[at] != ':') {
        issues.push_back({CalendarIssueKind::MalformedContentLine, offset, Excerpt(logical)});
        return false;
    }
    line.value.assign(logical.substr(at + 1));
    return true;
}

}  // namespace mailvane::calendar
