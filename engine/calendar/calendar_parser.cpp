#include "engine/calendar/calendar_parser.h"

#include <string>

#include "engine/calendar/content_line.h"
#include "engine/text/ascii_case.h"

namespace mailvane::calendar {

namespace {

std::string UpperValue(std::string_view value) {
    std::string upper;
    for (char c : value) {
        if (c == ' ' || c == '\t') continue;
        upper.push_back(text::AsciiUpper(c));
    }
    return upper;
}

// Builds the tree with an explicit stack of open components. `skipDepth`
// counts components being skipped (past the depth or count bound), whose
// lines are read only to find where they end.
class TreeBuilder {
public:
    TreeBuilder(const CalendarLimits& limits, ParsedCalendar& out) : m_limits(limits), m_out(out) {}

    void Begin(const CalendarProperty& line) {
        const std::string name = UpperValue(line.value);
        if (m_skipDepth > 0) {
            ++m_skipDepth;
            return;
        }
        if (m_open.size() >= m_limits.maxDepth) {
            m_out.issues.push_back({CalendarIssueKind::NestingLimit, line.offset, name});
            m_skipDepth = 1;
            return;
        }
        if (m_components >= m_limits.maxComponents) {
            if (!m_reportedCount) m_out.issues.push_back({CalendarIssueKind::ComponentLimit, line.offset, name});
            m_reportedCount = true;
            m_skipDepth = 1;
            return;
        }
        ++m_components;
        CalendarComponent component;
        component.name = name;
        component.offset = line.offset;
        m_open.push_back(std::move(component));
    }

    void End(const CalendarProperty& line) {
        const std::string name = UpperValue(line.value);
        if (m_skipDepth > 0) {
            --m_skipDepth;
            return;
        }
        std::size_t match = m_open.size();
        while (match > 0 && m_open[match - 1].name != name) --match;
        if (match == 0) {
            m_out.issues.push_back({CalendarIssueKind::UnbalancedComponent, line.offset, "END:" + name});
            return;
        }
        while (m_open.size() >= match) {
            if (m_open.size() > match) {
                m_out.issues.push_back(
                    {CalendarIssueKind::UnbalancedComponent, m_open.back().offset, "no END:" + m_open.back().name});
            }
            Close();
        }
    }

    void Add(CalendarProperty&& line) {
        if (m_skipDepth > 0) return;
        if (m_open.empty()) {
            m_out.issues.push_back({CalendarIssueKind::PropertyOutsideComponent, line.offset, line.name});
            return;
        }
        m_open.back().properties.push_back(std::move(line));
    }

    void Finish(std::size_t endOffset) {
        while (!m_open.empty()) {
            m_out.issues.push_back({CalendarIssueKind::UnbalancedComponent, endOffset, "no END:" + m_open.back().name});
            Close();
        }
    }

private:
    void Close() {
        CalendarComponent done = std::move(m_open.back());
        m_open.pop_back();
        if (m_open.empty()) {
            m_out.roots.push_back(std::move(done));
        } else {
            m_open.back().children.push_back(std::move(done));
        }
    }

    const CalendarLimits& m_limits;
    ParsedCalendar& m_out;
    std::vector<CalendarComponent> m_open;
    std::size_t m_components = 0;
    std::size_t m_skipDepth = 0;
    bool m_reportedCount = false;
};

}  // namespace

const CalendarComponent* ParsedCalendar::Calendar() const {
    for (const auto& root : roots) {
        if (root.name == "VCALENDAR") return &root;
    }
    return nullptr;
}

ParsedCalendar ParseCalendar(std::string_view text, const CalendarLimits& limits) {
    ParsedCalendar parsed;
    ContentLineReader reader(text, limits.maxLineLength, parsed.issues);
    TreeBuilder builder(limits, parsed);
    CalendarProperty line;
    std::size_t lines = 0;
    while (reader.Next(line)) {
        if (++lines > limits.maxContentLines) {
            parsed.issues.push_back({CalendarIssueKind::ContentLineLimit, line.offset, "further lines not read"});
            break;
        }
        if (line.name == "BEGIN") {
            builder.Begin(line);
        } else if (line.name == "END") {
            builder.End(line);
        } else {
            builder.Add(std::move(line));
        }
    }
    builder.Finish(text.size());
    return parsed;
}

}  // namespace mailvane::calendar
