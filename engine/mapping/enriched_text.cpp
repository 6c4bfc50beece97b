#include "engine/mapping/enriched_text.h"

#include "engine/text/ascii_case.h"

namespace mailvane::mapping {

namespace {

// RFC 1896: a command name is 1 to 60 characters of letters, digits and '-'.
constexpr std::size_t kMaxCommandLength = 60;

bool IsCommandChar(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'-';
}

bool NameIs(std::u16string_view name, std::u16string_view lower) {
    if (name.size() != lower.size()) return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (text::AsciiLower(name[i]) != lower[i]) return false;
    }
    return true;
}

// The length of the line break at `i` (CRLF, LF or CR), 0 when there is none.
std::size_t LineBreakAt(std::u16string_view text, std::size_t i) {
    if (text[i] == u'\r') return i + 1 < text.size() && text[i + 1] == u'\n' ? 2 : 1;
    return text[i] == u'\n' ? 1 : 0;
}

}  // namespace

std::u16string EnrichedToText(std::u16string_view enriched) {
    std::u16string out;
    out.reserve(enriched.size());
    std::size_t nofill = 0;  // open <nofill> commands
    std::size_t param = 0;   // open <param> commands
    std::size_t i = 0;
    while (i < enriched.size()) {
        const char16_t c = enriched[i];
        if (c == u'<') {
            if (i + 1 < enriched.size() && enriched[i + 1] == u'<') {
                if (param == 0) out.push_back(u'<');
                i += 2;
                continue;
            }
            const bool closing = i + 1 < enriched.size() && enriched[i + 1] == u'/';
            const std::size_t nameBegin = i + (closing ? 2 : 1);
            std::size_t nameEnd = nameBegin;
            while (nameEnd < enriched.size() && nameEnd - nameBegin < kMaxCommandLength + 1 &&
                   IsCommandChar(enriched[nameEnd])) {
                ++nameEnd;
            }
            const std::size_t length = nameEnd - nameBegin;
            if (length >= 1 && length <= kMaxCommandLength && nameEnd < enriched.size() && enriched[nameEnd] == u'>') {
                const auto name = enriched.substr(nameBegin, length);
                std::size_t* counter = NameIs(name, u"param") ? &param : NameIs(name, u"nofill") ? &nofill : nullptr;
                if (counter && closing && *counter > 0) --*counter;
                if (counter && !closing) ++*counter;
                i = nameEnd + 1;
                continue;
            }
        }
        if (param > 0) {
            ++i;
            continue;
        }
        if (const std::size_t breakLength = LineBreakAt(enriched, i); breakLength > 0) {
            i += breakLength;
            if (nofill > 0) {
                out.push_back(u'\n');
                continue;
            }
            std::size_t breaks = 1;
            while (i < enriched.size()) {
                const std::size_t next = LineBreakAt(enriched, i);
                if (next == 0) break;
                ++breaks;
                i += next;
            }
            if (breaks == 1) {
                out.push_back(u' ');
            } else {
                out.append(breaks - 1, u'\n');
            }
            continue;
        }
        out.push_back(c);
        ++i;
    }
    return out;
}

}  // namespace mailvane::mapping
