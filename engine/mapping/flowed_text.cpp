#include "engine/mapping/flowed_text.h"

namespace mailvane::mapping {

namespace {

struct FlowedLine {
    std::size_t depth = 0;  // number of leading '>'
    std::u16string_view content;
};

FlowedLine Split(std::u16string_view line) {
    FlowedLine out;
    while (out.depth < line.size() && line[out.depth] == u'>') ++out.depth;
    out.content = line.substr(out.depth);
    if (!out.content.empty() && out.content.front() == u' ') out.content.remove_prefix(1);
    return out;
}

}  // namespace

std::u16string UnflowText(std::u16string_view text, bool deleteSpace) {
    std::u16string out;
    const TextPieces collect = [&](std::u16string_view piece) { out += piece; };
    FlowedTextReader reader(deleteSpace, collect);
    reader.Append(text);
    reader.Finish();
    return out;
}

void FlowedTextReader::Append(std::u16string_view text) {
    while (!text.empty()) {
        const std::size_t end = text.find(u'\n');
        if (end == std::u16string_view::npos) {
            m_line += text;
            return;
        }
        m_line += text.substr(0, end);
        text.remove_prefix(end + 1);
        // A line ended: the one before it has another after it.
        if (m_done) Line(*m_done, true);
        if (!m_line.empty() && m_line.back() == u'\r') m_line.pop_back();
        m_done = std::move(m_line);
        m_line.clear();
    }
}

void FlowedTextReader::Finish() {
    if (!m_line.empty() && m_line.back() == u'\r') m_line.pop_back();
    if (m_done && m_line.empty()) {
        // The text ended with its last line's LF: no empty line follows it.
        Line(*m_done, false);
        m_out(u"\r\n");
    } else {
        if (m_done) Line(*m_done, true);
        Line(m_line, false);
    }
    m_done.reset();
    m_line.clear();
}

void FlowedTextReader::Line(std::u16string_view text, bool more) {
    const FlowedLine line = Split(text);
    m_text.clear();
    if (m_joining && line.depth != m_joinDepth) {
        m_text += u"\r\n";
        m_joining = false;
    }
    if (!m_joining && line.depth > 0) {
        m_text.append(line.depth, u'>');
        m_text += u' ';
    }
    std::u16string_view content = line.content;
    const bool flowed = !content.empty() && content.back() == u' ' && content != u"-- ";
    if (flowed && m_deleteSpace) content.remove_suffix(1);
    m_text += content;
    if (flowed && more) {
        m_joining = true;
        m_joinDepth = line.depth;
    } else {
        m_joining = false;
        if (more) m_text += u"\r\n";
    }
    if (!m_text.empty()) m_out(m_text);
}

}  // namespace mailvane::mapping
