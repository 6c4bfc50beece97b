#include "engine/mapping/html_references.h"

#include <algorithm>
#include <array>

#include "engine/mapping/html_units.h"
#include "engine/text/ascii_case.h"
#include "engine/text/utf8.h"

namespace mailvane::mapping {

namespace {

using html::IsBlank;
using html::kCommentClose;
using html::kCommentOpen;
using html::NameIs;
using html::Units;

template <typename Unit>
bool LoadsResource(std::basic_string_view<Unit> attribute) {
    static constexpr std::array<std::string_view, 6> kNames{"src", "background", "lowsrc", "dynsrc", "data", "poster"};
    for (auto name : kNames) {
        if (NameIs(attribute, name)) return true;
    }
    return false;
}

template <typename Unit>
std::basic_string_view<Unit> Trimmed(std::basic_string_view<Unit> text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

std::string Url(std::u16string_view value) {
    std::string url = text::Utf8FromUtf16(Trimmed(value.substr(0, kMaxHtmlReferenceLength)));
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
                continue;
            }
            const html::ByteCharacter character = html::ReadByteCharacter(bytes, i, *m_charset);
            text.append(character.units.data(), character.unitCount);
            i += character.length;
        }
        return text;
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
            if (m_html.substr(open, 4) == Units(kCommentOpen<Unit>)) {
                const auto close = m_html.find(Units(kCommentClose<Unit>), open + 4);
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
        while (i < m_html.size() && !IsBlank(m_html[i]) && m_html[i] != '>' && m_html[i] != '/') ++i;
        const bool isBase = NameIs(m_html.substr(nameBegin, i - nameBegin), "base");
        while (i < m_html.size() && m_html[i] != '>') {
            if (IsBlank(m_html[i]) || m_html[i] == '/') {
                ++i;
                continue;
            }
            const std::size_t attributeBegin = i;
            while (i < m_html.size() && !IsBlank(m_html[i]) && m_html[i] != '=' && m_html[i] != '>') ++i;
            const auto attribute = m_html.substr(attributeBegin, i - attributeBegin);
            while (i < m_html.size() && IsBlank(m_html[i])) ++i;
            if (i >= m_html.size() || m_html[i] != '=') continue;
            ++i;
            while (i < m_html.size() && IsBlank(m_html[i])) ++i;
            View value;
            if (i < m_html.size() && (m_html[i] == '"' || m_html[i] == '\'')) {
                const auto close = m_html.find(m_html[i], i + 1);
                if (close == View::npos) return m_html.size();
                value = m_html.substr(i + 1, close - i - 1);
                i = close + 1;
            } else {
                const std::size_t valueBegin = i;
                while (i < m_html.size() && !IsBlank(m_html[i]) && m_html[i] != '>') ++i;
                value = m_html.substr(valueBegin, i - valueBegin);
            }
            if (isBase && NameIs(attribute, "href") && m_found.base.empty()) {
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
            if (text::AsciiLower(m_html[i]) != 'u' || !NameIs(m_html.substr(i, 4), "url(")) continue;
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
