#include "engine/mapping/html_to_text.h"

#include <array>
#include <initializer_list>
#include <utility>

namespace mailvane::mapping {

namespace {

struct NamedEntity {
    std::u16string_view name;
    char16_t value;
};

constexpr std::array<NamedEntity, 32> kEntities = {{
    {u"amp", u'&'},      {u"lt", u'<'},      {u"gt", u'>'},      {u"quot", u'"'},    {u"apos", u'\''},
    {u"nbsp", 0x00A0},   {u"copy", 0x00A9},  {u"reg", 0x00AE},   {u"trade", 0x2122}, {u"hellip", 0x2026},
    {u"mdash", 0x2014},  {u"ndash", 0x2013}, {u"lsquo", 0x2018}, {u"rsquo", 0x2019}, {u"ldquo", 0x201C},
    {u"rdquo", 0x201D},  {u"bull", 0x2022},  {u"euro", 0x20AC},  {u"pound", 0x00A3}, {u"middot", 0x00B7},
    {u"laquo", 0x00AB},  {u"raquo", 0x00BB}, {u"auml", 0x00E4},  {u"ouml", 0x00F6},  {u"uuml", 0x00FC},
    {u"Auml", 0x00C4},   {u"Ouml", 0x00D6},  {u"Uuml", 0x00DC},  {u"szlig", 0x00DF}, {u"eacute", 0x00E9},
    {u"egrave", 0x00E8}, {u"shy", 0x00AD},
}};

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\f'; }

char16_t Lower(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c; }

bool NameIs(std::u16string_view name, std::u16string_view expected) {
    if (name.size() != expected.size()) return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (Lower(name[i]) != expected[i]) return false;
    }
    return true;
}

bool SameName(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (Lower(a[i]) != Lower(b[i])) return false;
    }
    return true;
}

bool NameIsAnyOf(std::u16string_view name, std::initializer_list<std::u16string_view> names) {
    for (auto n : names) {
        if (NameIs(name, n)) return true;
    }
    return false;
}

void AppendCodePoint(std::u16string& out, char32_t c) {
    if (c == 0 || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        out += char16_t{0xFFFD};
    } else if (c >= 0x10000) {
        c -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (c >> 10));
        out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    } else {
        out += static_cast<char16_t>(c);
    }
}

class TextBuilder {
public:
    // The text is seldom longer than its HTML; room for that much spares
    // copies of a large body while it grows.
    explicit TextBuilder(std::size_t htmlLength) { m_out.reserve(htmlLength); }

    void Text(char16_t c, bool preformatted) {
        if (!preformatted && IsBlank(c)) {
            m_pendingSpace = true;
            return;
        }
        if (preformatted && c == u'\n') {
            LineBreak();
            return;
        }
        if (preformatted && c == u'\r') return;
        if (m_pendingSpace && !AtLineStart()) m_out += u' ';
        m_pendingSpace = false;
        m_out += c;
    }
    void TextString(std::u16string_view s) {
        for (char16_t c : s) Text(c, false);
    }
    void LineBreak() {
        m_pendingSpace = false;
        TrimTrailingBlanks();
        m_out += u"\r\n";
    }
    // A block edge: at most one empty line between blocks.
    void BlockBreak() {
        m_pendingSpace = false;
        if (m_out.empty()) return;
        TrimTrailingBlanks();
        if (!m_out.ends_with(u"\r\n")) m_out += u"\r\n";
        if (!m_out.ends_with(u"\r\n\r\n")) m_out += u"\r\n";
    }
    void SoftBreak() {
        m_pendingSpace = false;
        if (!m_out.empty() && !m_out.ends_with(u"\r\n")) LineBreak();
    }
    std::u16string Finish() {
        TrimTrailingBlanks();
        while (m_out.ends_with(u"\r\n")) m_out.resize(m_out.size() - 2);
        return std::move(m_out);
    }

private:
    bool AtLineStart() const { return m_out.empty() || m_out.ends_with(u'\n'); }
    void TrimTrailingBlanks() {
        while (!m_out.empty() && (m_out.back() == u' ' || m_out.back() == u'\t')) m_out.pop_back();
    }
    std::u16string m_out;
    bool m_pendingSpace = false;
};

// Decodes the character reference at `html[i]` ('&'); returns the index after it.
std::size_t DecodeReference(std::u16string_view html, std::size_t i, std::u16string& out) {
    std::size_t j = i + 1;
    if (j < html.size() && html[j] == u'#') {
        ++j;
        bool hex = j < html.size() && (html[j] == u'x' || html[j] == u'X');
        if (hex) ++j;
        char32_t value = 0;
        std::size_t digits = 0;
        while (j < html.size() && digits < 8) {
            char16_t c = html[j];
            int d = (c >= u'0' && c <= u'9')          ? c - u'0'
                    : (hex && c >= u'a' && c <= u'f') ? c - u'a' + 10
                    : (hex && c >= u'A' && c <= u'F') ? c - u'A' + 10
                                                      : -1;
            if (d < 0) break;
            value = value * (hex ? 16 : 10) + static_cast<char32_t>(d);
            ++j;
            ++digits;
        }
        if (digits == 0) {
            out += u'&';
            return i + 1;
        }
        if (j < html.size() && html[j] == u';') ++j;
        AppendCodePoint(out, value);
        return j;
    }
    std::size_t end = j;
    while (end < html.size() && end - j < 10 &&
           ((html[end] >= u'a' && html[end] <= u'z') || (html[end] >= u'A' && html[end] <= u'Z'))) {
        ++end;
    }
    std::u16string_view name = html.substr(j, end - j);
    for (const auto& entity : kEntities) {
        if (entity.name == name) {
            out += entity.value;
            return (end < html.size() && html[end] == u';') ? end + 1 : end;
        }
    }
    out += u'&';
    return i + 1;
}

}  // namespace

std::u16string HtmlToText(std::u16string_view html) {
    TextBuilder text(html.size());
    std::size_t i = 0;
    int preDepth = 0;
    while (i < html.size()) {
        char16_t c = html[i];
        if (c == u'&') {
            std::u16string decoded;
            i = DecodeReference(html, i, decoded);
            for (char16_t d : decoded) text.Text(d == 0x00A0 ? u' ' : d, preDepth > 0 && d != 0x00A0);
            continue;
        }
        if (c != u'<') {
            text.Text(c, preDepth > 0);
            ++i;
            continue;
        }
        if (html.substr(i, 4) == u"<!--") {
            std::size_t end = html.find(u"-->", i + 4);
            i = end == std::u16string_view::npos ? html.size() : end + 3;
            continue;
        }
        std::size_t j = i + 1;
        bool closing = j < html.size() && html[j] == u'/';
        if (closing) ++j;
        std::size_t nameStart = j;
        while (j < html.size() && !IsBlank(html[j]) && html[j] != u'>' && html[j] != u'/') ++j;
        std::u16string_view name = html.substr(nameStart, j - nameStart);
        if (name.empty() || !((name[0] >= u'a' && name[0] <= u'z') || (name[0] >= u'A' && name[0] <= u'Z') ||
                              name[0] == u'!' || name[0] == u'?')) {
            text.Text(c, preDepth > 0);
            ++i;
            continue;
        }
        // Find the end of the tag, honouring quoted attribute values.
        char16_t quote = 0;
        while (j < html.size() && (quote != 0 || html[j] != u'>')) {
            if (quote != 0 && html[j] == quote)
                quote = 0;
            else if (quote == 0 && (html[j] == u'"' || html[j] == u'\''))
                quote = html[j];
            ++j;
        }
        i = j < html.size() ? j + 1 : html.size();
        if (!closing && NameIsAnyOf(name, {u"script", u"style", u"head", u"title", u"xml"})) {
            std::size_t k = i;
            std::size_t found = std::u16string_view::npos;
            while (k < html.size()) {
                std::size_t lt = html.find(u"</", k);
                if (lt == std::u16string_view::npos) break;
                if (SameName(html.substr(lt + 2, name.size()), name)) {
                    found = lt;
                    break;
                }
                k = lt + 2;
            }
            if (found == std::u16string_view::npos) {
                // An unclosed <head> still holds the document; other unclosed blocks end it.
                if (!NameIs(name, u"head")) i = html.size();
                continue;
            }
            std::size_t gt = html.find(u'>', found);
            i = gt == std::u16string_view::npos ? html.size() : gt + 1;
            continue;
        }
        if (NameIs(name, u"br")) {
            text.LineBreak();
        } else if (NameIs(name, u"pre")) {
            text.BlockBreak();
            preDepth = closing ? (preDepth > 0 ? preDepth - 1 : 0) : preDepth + 1;
        } else if (NameIsAnyOf(name, {u"ul", u"ol"})) {
            text.SoftBreak();
        } else if (NameIs(name, u"li")) {
            if (!closing) {
                text.SoftBreak();
                text.TextString(u"* ");
            } else {
                text.SoftBreak();
            }
        } else if (NameIsAnyOf(name,
                               {u"p", u"h1", u"h2", u"h3", u"h4", u"h5", u"h6", u"blockquote", u"table", u"hr"})) {
            text.BlockBreak();
        } else if (NameIsAnyOf(name, {u"div", u"tr", u"dt", u"dd", u"section", u"article", u"header", u"footer",
                                      u"center", u"address"})) {
            text.SoftBreak();
        } else if (NameIsAnyOf(name, {u"td", u"th"}) && !closing) {
            text.Text(u' ', false);
        }
    }
    return text.Finish();
}

}  // namespace mailvane::mapping
