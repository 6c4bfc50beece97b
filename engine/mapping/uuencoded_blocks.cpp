#include "engine/mapping/uuencoded_blocks.h"

namespace mailvane::mapping {

namespace {

struct Line {
    std::size_t begin;  // first character
    std::size_t end;    // one past the last character before the line break
    std::size_t next;   // first character of the next line
};

Line LineAt(std::u16string_view text, std::size_t begin) {
    std::size_t end = text.find(u'\n', begin);
    std::size_t next = end == std::u16string_view::npos ? text.size() : end + 1;
    if (end == std::u16string_view::npos) end = text.size();
    if (end > begin && text[end - 1] == u'\r') --end;
    return {begin, end, next};
}

// "begin 644 name": three octal digits of mode, then the name.
bool IsBeginLine(std::u16string_view line, std::u16string& name) {
    if (!line.starts_with(u"begin ")) return false;
    std::size_t i = 6;
    std::size_t digits = 0;
    while (i < line.size() && line[i] >= u'0' && line[i] <= u'7') {
        ++i;
        ++digits;
    }
    if (digits < 3 || digits > 4 || i >= line.size() || line[i] != u' ') return false;
    name = std::u16string(line.substr(i + 1));
    while (!name.empty() && (name.back() == u' ' || name.back() == u'\t')) name.pop_back();
    return !name.empty();
}

bool DecodeLine(std::u16string_view line, std::vector<std::uint8_t>& out) {
    if (line.empty()) return true;
    auto value = [](char16_t c) { return static_cast<unsigned>((c - 0x20) & 0x3F); };
    if (line[0] < 0x20 || line[0] > 0x60) return false;
    unsigned count = value(line[0]);
    std::size_t needed = 1 + (count + 2) / 3 * 4;
    for (std::size_t i = 1; i < line.size() && i < needed; ++i) {
        if (line[i] < 0x20 || line[i] > 0x60) return false;
    }
    std::size_t i = 1;
    while (count > 0) {
        unsigned quad[4] = {0, 0, 0, 0};
        for (unsigned& q : quad) {
            q = i < line.size() ? value(line[i]) : 0;
            ++i;
        }
        std::uint8_t bytes[3] = {static_cast<std::uint8_t>((quad[0] << 2) | (quad[1] >> 4)),
                                 static_cast<std::uint8_t>((quad[1] << 4) | (quad[2] >> 2)),
                                 static_cast<std::uint8_t>((quad[2] << 6) | quad[3])};
        for (unsigned b = 0; b < 3 && count > 0; ++b, --count) out.push_back(bytes[b]);
    }
    return true;
}

}  // namespace

std::vector<UuencodedFile> ExtractUuencodedBlocks(std::u16string& text) {
    std::vector<UuencodedFile> files;
    std::u16string kept;
    std::size_t pos = 0;
    std::size_t copiedUpTo = 0;
    while (pos < text.size()) {
        Line line = LineAt(text, pos);
        std::u16string name;
        if (!IsBeginLine(std::u16string_view(text).substr(line.begin, line.end - line.begin), name)) {
            pos = line.next;
            continue;
        }
        UuencodedFile file{name, {}};
        std::size_t scan = line.next;
        bool closed = false;
        bool valid = true;
        while (scan < text.size()) {
            Line body = LineAt(text, scan);
            std::u16string_view content = std::u16string_view(text).substr(body.begin, body.end - body.begin);
            scan = body.next;
            if (content == u"end") {
                closed = true;
                break;
            }
            if (!DecodeLine(content, file.data)) {
                valid = false;
                break;
            }
        }
        if (!closed || !valid) {
            pos = line.next;
            continue;
        }
        kept.append(text, copiedUpTo, line.begin - copiedUpTo);
        copiedUpTo = scan;
        pos = scan;
        files.push_back(std::move(file));
    }
    if (!files.empty()) {
        kept.append(text, copiedUpTo, std::u16string::npos);
        text = std::move(kept);
    }
    return files;
}

}  // namespace mailvane::mapping
