#include "engine/mapping/html_references.h"

#include <array>

#include "engine/mapping/utf8_encoding.h"

namespace mailvane::mapping {

namespace {

bool IsSpace(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\f'; }

char16_t Lower(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c; }

bool SameName(std::u16string_view name, std::u16string_view lower) {
    if (name.size() != lower.size()) return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (Lower(name[i]) != lower[i]) return false;
    }
    return true;
}

bool LoadsResource(std::u16string_view attribute) {
    static constexpr std::array<std::u16string_view, 6> kNames{u"src",    u"background", u"lowsrc",
                                                               u"dynsrc", u"data",       u"poster"};
    for (auto name : kNames) {
        if (SameName(attribute, name)) return true;
    }
    return false;
}

std::u16string_view Trimmed(std::u16string_view text) {
    while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
    return text;
}

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

class ReferenceScanner {
public:
    explicit ReferenceScanner(std::u16string_view html) : m_html(html) {}

    HtmlReferences Scan() {
        std::size_t i = 0;
        while (i < m_html.size() && Room()) {
            const auto open = m_html.find(u'<', i);
            if (open == std::u16string_view::npos) break;
            if (m_html.substr(open, 4) == u"<!--") {
                const auto close = m_html.find(u"-->", open + 4);
                if (close == std::u16string_view::npos) break;
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
        while (i < m_html.size() && !IsSpace(m_html[i]) && m_html[i] != u'>' && m_html[i] != u'/') ++i;
        const bool isBase = SameName(m_html.substr(nameBegin, i - nameBegin), u"base");
        while (i < m_html.size() && m_html[i] != u'>') {
            if (IsSpace(m_html[i]) || m_html[i] == u'/') {
                ++i;
                continue;
            }
            const std::size_t attributeBegin = i;
            while (i < m_html.size() && !IsSpace(m_html[i]) && m_html[i] != u'=' && m_html[i] != u'>') ++i;
            const auto attribute = m_html.substr(attributeBegin, i - attributeBegin);
            while (i < m_html.size() && IsSpace(m_html[i])) ++i;
            if (i >= m_html.size() || m_html[i] != u'=') continue;
            ++i;
            while (i < m_html.size() && IsSpace(m_html[i])) ++i;
            std::u16string_view value;
            if (i < m_html.size() && (m_html[i] == u'"' || m_html[i] == u'\'')) {
                const auto close = m_html.find(m_html[i], i + 1);
                if (close == std::u16string_view::npos) return m_html.size();
                value = m_html.substr(i + 1, close - i - 1);
                i = close + 1;
            } else {
                const std::size_t valueBegin = i;
                while (i < m_html.size() && !IsSpace(m_html[i]) && m_html[i] != u'>') ++i;
                value = m_html.substr(valueBegin, i - valueBegin);
            }
            if (isBase && SameName(attribute, u"href") && m_found.base.empty()) {
                m_found.base = Url(value);
            } else if (LoadsResource(attribute) && Room()) {
                m_found.urls.push_back(Url(value));
            }
        }
        return i;
    }

    // url(...) in style sheets and style attributes.
    void CssUrls() {
        for (std::size_t i = 0; i + 4 <= m_html.size() && Room(); ++i) {
            // Most positions fail on their first character: 'u' or 'U' is
            // the one unit that gives 'u' with the lower-case bit set.
            if ((m_html[i] | 0x20) != u'u' || !SameName(m_html.substr(i, 4), u"url(")) continue;
            const auto close = m_html.find(u')', i + 4);
            if (close == std::u16string_view::npos) return;
            auto value = Trimmed(m_html.substr(i + 4, close - i - 4));
            if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
                value.back() == value.front()) {
                value = value.substr(1, value.size() - 2);
            }
            m_found.urls.push_back(Url(value));
            i = close;
        }
    }

    std::u16string_view m_html;
    HtmlReferences m_found;
};

}  // namespace

HtmlReferences FindHtmlReferences(std::u16string_view html) { return ReferenceScanner(html).Scan(); }

}  // namespace mailvane::mapping
