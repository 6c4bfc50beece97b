#include "engine/mime/message_ids.h"

#include "engine/mime/ascii_text.h"

namespace mailvane::mime {
namespace {

// Skips a comment that starts at `pos`; returns the position after it.
std::size_t SkipComment(std::string_view raw, std::size_t pos) {
    int depth = 0;
    for (; pos < raw.size(); ++pos) {
        if (raw[pos] == '\\') {
            ++pos;
        } else if (raw[pos] == '(') {
            ++depth;
        } else if (raw[pos] == ')' && --depth == 0) {
            return pos + 1;
        }
    }
    return raw.size();
}

void AddIdentifier(std::string_view inner, std::vector<std::string>& ids) {
    std::string id = "<";
    for (char c : inner) {
        if (!IsBlank(c) && !IsLineBreak(c)) {
            id.push_back(c);
        }
    }
    if (id.size() > 1) {
        id.push_back('>');
        ids.push_back(std::move(id));
    }
}

}  // namespace

std::vector<std::string> ParseMessageIds(std::string_view raw) {
    std::vector<std::string> ids;
    std::size_t pos = 0;
    while (pos < raw.size()) {
        const char c = raw[pos];
        if (c == '(') {
            pos = SkipComment(raw, pos);
        } else if (c == '<') {
            const auto close = raw.find('>', pos + 1);
            const auto stop = close == std::string_view::npos ? raw.size() : close;
            AddIdentifier(raw.substr(pos + 1, stop - pos - 1), ids);
            pos = stop + 1;
        } else if (IsBlank(c) || IsLineBreak(c) || c == ',') {
            ++pos;
        } else {
            // Identifiers without brackets, as some mailers write them; a
            // bare word without '@' is a phrase of obsolete In-Reply-To.
            std::size_t stop = pos;
            while (stop < raw.size() && !IsBlank(raw[stop]) && !IsLineBreak(raw[stop]) && raw[stop] != '<' &&
                   raw[stop] != '(' && raw[stop] != ',') {
                ++stop;
            }
            const auto word = raw.substr(pos, stop - pos);
            if (word.find('@') != std::string_view::npos && word.front() != '"') {
                AddIdentifier(word, ids);
            }
            pos = stop;
        }
    }
    return ids;
}

}  // namespace mailvane::mime
