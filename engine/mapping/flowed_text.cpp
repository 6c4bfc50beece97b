#include "engine/mapping/flowed_text.h"

#include <vector>

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
    std::vector<std::u16string_view> lines;
    std::size_t pos = 0;
    while (pos <= text.size()) {
        std::size_t end = text.find(u'\n', pos);
        std::size_t stop = end == std::u16string_view::npos ? text.size() : end;
        std::u16string_view line = text.substr(pos, stop - pos);
        if (!line.empty() && line.back() == u'\r') line.remove_suffix(1);
        lines.push_back(line);
        if (end == std::u16string_view::npos) break;
        pos = end + 1;
    }
    bool endsWithNewline = lines.size() > 1 && lines.back().empty();
    if (endsWithNewline) lines.pop_back();
    std::u16string out;
    bool joining = false;
    std::size_t joinDepth = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        FlowedLine line = Split(lines[i]);
        if (joining && line.depth != joinDepth) {
            out += u"\r\n";
            joining = false;
        }
        if (!joining && line.depth > 0) {
            out.append(line.depth, u'>');
            out += u' ';
        }
        std::u16string_view content = line.content;
        bool flowed = !content.empty() && content.back() == u' ' && content != u"-- ";
        if (flowed && deleteSpace) content.remove_suffix(1);
        out += content;
        if (flowed && i + 1 < lines.size()) {
            joining = true;
            joinDepth = line.depth;
        } else {
            joining = false;
            if (i + 1 < lines.size()) out += u"\r\n";
        }
    }
    if (endsWithNewline) out += u"\r\n";
    return out;
}

}  // namespace mailvane::mapping
