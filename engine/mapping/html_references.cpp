#include "engine/mapping/html_references.h"

#include <algorithm>
#include <array>

#include "engine/mapping/utf8_encoding.h"

namespace mailvane::mapping {

namespace {

// Every character the scan looks at is ASCII, and no byte below 0x80 of
// UTF-8 or of a single-byte charset with an ASCII lower half is part of
// another character: one scan serves UTF-16 units and such bytes alike, and
// of the bytes only the values it keeps are decoded.

template <typename Unit>
bool IsSpace(Unit c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}

template <typename Unit>
Unit Lower(Unit c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<Unit>(c - 'A' + 'a') : c;
}

template <typename Unit>
bool SameName(std::basic_string_view<Unit> name, std::string_view lower) {
    if (name.size() != lower.size()) return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (Lower(name[i]) != lower[i]) return false;
    }
    return true;
}

template <typename Unit>
bool LoadsResource(std::basic_string_view<Unit> attribute) {
    static constexpr std::array<std::string_view, 6> kNames{"src", "background", "lowsrc", "dynsrc", "data", "poster"};
    for (auto name : kNames) {
        if (SameName(attribute, name)) return true;
    }
    return false;
}

template <typename Unit>
std::basic_string_view<Unit> Trimmed(std::basic_string_view<Unit> text) {
    while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
    return text;
}

// The markup the scan searches for, in the scan's units.
template <typename Unit, std::size_t N>
struct Literal {
    std::array<Unit, N> units;
    constexpr Literal(const char (&text)[N + 1]) : units{} {
        for (std::size_t i = 0; i < N; ++i) units[i] = static_cast<Unit>(text[i]);
    }
    constexpr std::basic_string_view<Unit> View() const { return {units.data(), N}; }
};

template <typename Unit>
constexpr Literal<Unit, 4> kCommentOpen("<!--");
template <typename Unit>
constexpr Literal<Unit, 3> kCommentClose("-->");

std::string Url(std::u16string_view value) {
    std::string url = Utf8FromUtf16(Trimmed(value.substr(0, kMaxHtmlReferenceLength)));
    std::string out;
    for (std::size_t i = 0; i < url.size(); ++i) {
        if (url.compare(i, 5, "&amp;") == 0) {
            out.push_back('&');
            i += 4;
        } else {
            out.push_back(url[i]);
        }
    }
    return out;
}

// A value as characters: its units, or its bytes decoded. Url keeps the
// first kMaxHtmlReferenceLength units, which no more than three bytes each
// give, so only that much of a long value is decoded.
class ValueReader {
public:
    ValueReader() = default;
    explicit ValueReader(const HtmlByteCharset& charset) : m_charset(&charset) {}

    std::string operator()(std::u16string_view value) const { return Url(value); }
    std::string operator()(std::string_view value) const {
        std::size_t end = std::min(value.size(), 3 * kMaxHtmlReferenceLength);
        if (m_charset->utf8) {
            while (end < value.size() && (static_cast<unsigned char>(value[end]) & 0xC0) == 0x80) ++end;
        }
        return Url(Decoded(value.substr(0, end)));
    }

private:
    std::u16string Decoded(std::string_view bytes) const {
        std::u16string text;
        text.reserve(bytes.size());
        for (std::size_t i = 0; i < bytes.size();) {
            const auto byte = static_cast<unsigned char>(bytes[i]);
            if (byte < 0x80) {
                text += static_cast<char16_t>(byte);
                ++i;
            } else if (!m_charset->utf8) {
                text += m_charset->upperHalf[byte - 0x80];
                ++i;
            } else {
                i += AppendUtf8Character(bytes.substr(i), text);
            }
        }
        return text;
    }

    // Decodes the UTF-8 character at the start of `bytes`, a byte that
    // starts none as U+FFFD; returns the bytes it took.
    static std::size_t AppendUtf8Character(std::string_view bytes, std::u16string& text) {
        const auto lead = static_cast<unsigned char>(bytes[0]);
        const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        char32_t c = length == 4 ? lead & 0x07 : length == 3 ? lead & 0x0F : lead & 0x1F;
        bool valid = length > 1 && length <= bytes.size() && lead >= 0xC2 && lead <= 0xF4;
        for (std::size_t k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(bytes[k]);
            valid = (next & 0xC0) == 0x80;
            c = (c << 6) | (next & 0x3F);
        }
        const char32_t least = length == 4 ? 0x10000 : length == 3 ? 0x800 : 0x80;
        if (!valid || c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
            text += char16_t{0xFFFD};
            return 1;
        }
        if (c >= 0x10000) {
            c -= 0x10000;
            text += static_cast<char16_t>(0xD800 + (c >> 10));
            text += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
        } else {
            text += static_cast<char16_t>(c);
        }
        return length;
    }

    const HtmlByteCharset* m_charset = nullptr;
};

template <typename Unit>
class ReferenceScanner {
public:
    using View = std::basic_string_view<Unit>;

    ReferenceScanner(View html, ValueReader url) : m_html(html), m_url(url) {}

    HtmlReferences Scan() {
        std::size_t i = 0;
        while (i < m_html.size() && Room()) {
            const auto open = m_html.find(Unit('<'), i);
            if (open == View::npos) break;
            if (m_html.substr(open, 4) == kCommentOpen<Unit>.View()) {
                const auto close = m_html.find(kCommentClose<Unit>.View(), open + 4);
                if (close == View::npos) break;
                i = close + 3;
                continue;
            }
            i = Tag(open + 1);
        }
        CssUrls();
        return std::move(m_found);
    }

private:
    bool Room() const { return m_found.urls.size() < kMaxHtmlReferences; }

    // Reads one tag's name and attributes; returns where scanning goes on.
    std::size_t Tag(std::size_t i) {
        const std::size_t nameBegin = i;
        while (i < m_html.size() && !IsSpace(m_html[i]) && m_html[i] != '>' && m_html[i] != '/') ++i;
        const bool isBase = SameName(m_html.substr(nameBegin, i - nameBegin), "base");
        while (i < m_html.size() && m_html[i] != '>') {
            if (IsSpace(m_html[i]) || m_html[i] == '/') {
                ++i;
                continue;
            }
            const std::size_t attributeBegin = i;
            while (i < m_html.size() && !IsSpace(m_html[i]) && m_html[i] != '=' && m_html[i] != '>') ++i;
            const auto attribute = m_html.substr(attributeBegin, i - attributeBegin);
            while (i < m_html.size() && IsSpace(m_html[i])) ++i;
            if (i >= m_html.size() || m_html[i] != '=') continue;
            ++i;
            while (i < m_html.size() && IsSpace(m_html[i])) ++i;
            View value;
            if (i < m_html.size() && (m_html[i] == '"' || m_html[i] == '\'')) {
                const auto close = m_html.find(m_html[i], i + 1);
                if (close == View::npos) return m_html.size();
                value = m_html.substr(i + 1, close - i - 1);
                i = close + 1;
            } else {
                const std::size_t valueBegin = i;
                while (i < m_html.size() && !IsSpace(m_html[i]) && m_html[i] != '>') ++i;
                value = m_html.substr(valueBegin, i - valueBegin);
            }
            if (isBase && SameName(attribute, "href") && m_found.base.empty()) {
                m_found.base = m_url(value);
            } else if (LoadsResource(attribute) && Room()) {
                m_found.urls.push_back(m_url(value));
            }
        }
        return i;
    }

    // url(...) in style sheets and style attributes.
    void CssUrls() {
        for (std::size_t i = 0; i + 4 <= m_html.size() && Room(); ++i) {
            // Most positions fail on their first character: 'u' or 'U' is
            // the one unit that gives 'u' with the lower-case bit set.
            if ((m_html[i] | 0x20) != 'u' || !SameName(m_html.substr(i, 4), "url(")) continue;
            const auto close = m_html.find(Unit(')'), i + 4);
            if (close == View::npos) return;
            auto value = Trimmed(m_html.substr(i + 4, close - i - 4));
            if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
                value = value.substr(1, value.size() - 2);
            }
            m_found.urls.push_back(m_url(value));
            i = close;
        }
    }

    View m_html;
    ValueReader m_url;
    HtmlReferences m_found;
};

}  // namespace

HtmlReferences FindHtmlReferences(std::u16string_view html) {
    return ReferenceScanner<char16_t>(html, ValueReader()).Scan();
}

HtmlReferences FindHtmlReferences(std::string_view htmlBytes, const HtmlByteCharset& charset) {
    return ReferenceScanner<char>(htmlBytes, ValueReader(charset)).Scan();
}

}  // namespace mailvane::mapping
