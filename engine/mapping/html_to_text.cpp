#include "engine/mapping/html_to_text.h"

#include <algorithm>
#include <array>
#include <initializer_list>
#include <limits>
#include <memory>
#include <type_traits>
#include <utility>

#include "engine/mapping/html_units.h"
#include "engine/text/ascii_case.h"
#include "engine/text/utf16.h"

namespace mailvane::mapping {

namespace {

// The scan serves UTF-16 units and bytes alike (see html_units.h).
using html::IsBlank;
using html::kCommentClose;
using html::kCommentOpen;
using html::kEndTagOpen;
using html::NameIs;
using html::Units;

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

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }

template <typename Unit>
bool SameName(std::basic_string_view<Unit> a, std::basic_string_view<Unit> b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (text::AsciiLower(a[i]) != text::AsciiLower(b[i])) return false;
    }
    return true;
}

template <typename Unit>
bool NameIsAnyOf(std::basic_string_view<Unit> name, std::initializer_list<std::string_view> names) {
    for (auto n : names) {
        if (NameIs(name, n)) return true;
    }
    return false;
}

// An entity's name against the letters of a reference, which are ASCII.
template <typename Unit>
bool EntityNameIs(std::u16string_view entity, std::basic_string_view<Unit> letters) {
    if constexpr (std::is_same_v<Unit, char16_t>) {
        return entity == letters;
    } else {
        return std::equal(entity.begin(), entity.end(), letters.begin(), letters.end());
    }
}

void AppendCodePoint(std::u16string& out, char32_t c) {
    if (c == 0 || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        out += char16_t{0xFFFD};
    } else {
        text::AppendUtf16(out, c);
    }
}

// The text as it is made. Breaks and the end of the text trim what came
// just before them, so that much is held back and the rest is final: a line
// break drops the blanks before it, which makes the tail always some CRLFs
// followed by some blanks, kept as a count and the blanks themselves, and
// given over once anything else follows. The rest goes to `out` in pieces
// as it fills them, or without `out` collects whole for Finish.
class TextBuilder {
public:
    // The text goes to `out` in pieces of at most maxPieceUnits, or without
    // `out` collects whole. Room for `room` units is made at first and grows
    // as needed.
    TextBuilder(const TextPieces* out, std::size_t maxPieceUnits, std::size_t room)
        : m_out(out),
          m_maxPieceUnits(out != nullptr ? maxPieceUnits : std::numeric_limits<std::size_t>::max()),
          m_capacity(std::min(std::max<std::size_t>(room, 16), m_maxPieceUnits)),
          m_text(std::make_unique_for_overwrite<char16_t[]>(m_capacity)),
          m_full(std::min(m_capacity, m_maxPieceUnits - 1)) {}

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
        const bool space = m_pendingSpace && !AtLineStart();
        m_pendingSpace = false;
        if (c == u' ' || c == u'\t') {
            if (space) m_heldBlanks += ' ';
            m_heldBlanks += static_cast<char>(c);
            return;
        }
        if (m_heldLineBreaks != 0 || !m_heldBlanks.empty()) GiveHeld();
        if (space) Append(u' ');
        Append(c);
        m_started = true;
    }
    void TextString(std::u16string_view s) {
        for (char16_t c : s) Text(c, false);
    }
    void LineBreak() {
        m_pendingSpace = false;
        m_heldBlanks.clear();
        ++m_heldLineBreaks;
    }
    // A block edge: at most one empty line between blocks.
    void BlockBreak() {
        m_pendingSpace = false;
        if (Empty()) return;
        m_heldBlanks.clear();
        m_heldLineBreaks = std::max<std::size_t>(m_heldLineBreaks, 2);
    }
    void SoftBreak() {
        m_pendingSpace = false;
        if (!AtLineStart()) LineBreak();
    }
    // The end drops what is held: trailing blanks and line breaks. Without
    // `out`, returns the text.
    std::u16string Finish() {
        if (m_out != nullptr) {
            GivePiece();
            return {};
        }
        return {m_text.get(), m_length};
    }

private:
    bool Empty() const { return !m_started && m_heldLineBreaks == 0 && m_heldBlanks.empty(); }
    bool AtLineStart() const { return m_heldBlanks.empty() && (m_heldLineBreaks != 0 || !m_started); }

    void GiveHeld() {
        for (; m_heldLineBreaks != 0; --m_heldLineBreaks) {
            Append(u'\r');
            Append(u'\n');
        }
        for (char blank : m_heldBlanks) Append(static_cast<char16_t>(blank));
        m_heldBlanks.clear();
    }
    // One test per unit keeps this cheap: past it, a piece is given or the
    // room grows.
    void Append(char16_t c) {
        m_text[m_length++] = c;
        if (m_length >= m_full) Full(c);
    }
    void Full(char16_t c) {
        // A piece may stop one unit short rather than part a surrogate pair.
        if (m_out != nullptr && m_length >= m_maxPieceUnits - 1 &&
            (m_length == m_maxPieceUnits || !IsHighSurrogate(c))) {
            GivePiece();
            return;
        }
        if (m_length == m_capacity) {
            m_capacity = std::min(2 * m_capacity, m_maxPieceUnits);
            auto grown = std::make_unique_for_overwrite<char16_t[]>(m_capacity);
            std::copy_n(m_text.get(), m_length, grown.get());
            m_text = std::move(grown);
        }
        m_full = std::min(m_capacity, m_maxPieceUnits - 1);
    }
    void GivePiece() {
        if (m_length == 0) return;
        (*m_out)(std::u16string_view(m_text.get(), m_length));
        m_length = 0;
    }

    const TextPieces* m_out;
    std::size_t m_maxPieceUnits;
    std::size_t m_capacity;
    std::unique_ptr<char16_t[]> m_text;  // its first m_length units: final, not yet given
    std::size_t m_length = 0;
    std::size_t m_full;      // the length at which Full is called
    bool m_started = false;  // whether anything final was made
    std::size_t m_heldLineBreaks = 0;
    std::string m_heldBlanks;  // ' ' and '\t'
    bool m_pendingSpace = false;
};

// Decodes the character reference at `html[i]` ('&'); returns the index after it.
template <typename Unit>
std::size_t DecodeReference(std::basic_string_view<Unit> html, std::size_t i, std::u16string& out) {
    std::size_t j = i + 1;
    if (j < html.size() && html[j] == '#') {
        ++j;
        bool hex = j < html.size() && (html[j] == 'x' || html[j] == 'X');
        if (hex) ++j;
        char32_t value = 0;
        std::size_t digits = 0;
        while (j < html.size() && digits < 8) {
            Unit c = html[j];
            int d = (c >= '0' && c <= '9')          ? c - '0'
                    : (hex && c >= 'a' && c <= 'f') ? c - 'a' + 10
                    : (hex && c >= 'A' && c <= 'F') ? c - 'A' + 10
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
        if (j < html.size() && html[j] == ';') ++j;
        AppendCodePoint(out, value);
        return j;
    }
    std::size_t end = j;
    while (end < html.size() && end - j < 10 &&
           ((html[end] >= 'a' && html[end] <= 'z') || (html[end] >= 'A' && html[end] <= 'Z'))) {
        ++end;
    }
    std::basic_string_view<Unit> name = html.substr(j, end - j);
    for (const auto& entity : kEntities) {
        if (EntityNameIs(entity.name, name)) {
            out += entity.value;
            return (end < html.size() && html[end] == ';') ? end + 1 : end;
        }
    }
    out += u'&';
    return i + 1;
}

// The scan of `html` into `text`. `textCharacter(i, preformatted)` gives
// `text` the character of text at html[i] and returns the index after it.
template <typename Unit, typename TextCharacter>
void Convert(std::basic_string_view<Unit> html, TextBuilder& text, const TextCharacter& textCharacter) {
    using View = std::basic_string_view<Unit>;
    std::size_t i = 0;
    std::size_t preDepth = 0;
    // Inside <head>, as an HTML parser reads it: blanks there are nothing,
    // and the first text or tag that has no place in a head ends it, so
    // that its text is shown as the body's first (the head's own elements,
    // title, style and script, never are).
    bool inHead = false;
    while (i < html.size()) {
        Unit c = html[i];
        if (inHead && c != '<') {
            if (IsBlank(c) || c == '\r' || c == '\n' || c == '\f') {
                ++i;
                continue;
            }
            inHead = false;
        }
        if (c == '&') {
            std::u16string decoded;
            i = DecodeReference(html, i, decoded);
            for (char16_t d : decoded) text.Text(d == 0x00A0 ? u' ' : d, preDepth > 0 && d != 0x00A0);
            continue;
        }
        if (c != '<') {
            i = textCharacter(i, preDepth > 0);
            continue;
        }
        if (html.substr(i, 4) == Units(kCommentOpen<Unit>)) {
            std::size_t end = html.find(Units(kCommentClose<Unit>), i + 4);
            i = end == View::npos ? html.size() : end + 3;
            continue;
        }
        std::size_t j = i + 1;
        bool closing = j < html.size() && html[j] == '/';
        if (closing) ++j;
        std::size_t nameStart = j;
        while (j < html.size() && !IsBlank(html[j]) && html[j] != '>' && html[j] != '/') ++j;
        View name = html.substr(nameStart, j - nameStart);
        if (name.empty() || !((name[0] >= 'a' && name[0] <= 'z') || (name[0] >= 'A' && name[0] <= 'Z') ||
                              name[0] == '!' || name[0] == '?')) {
            text.Text(u'<', preDepth > 0);
            ++i;
            continue;
        }
        // Find the end of the tag, honouring quoted attribute values.
        Unit quote = 0;
        while (j < html.size() && (quote != 0 || html[j] != '>')) {
            if (quote != 0 && html[j] == quote)
                quote = 0;
            else if (quote == 0 && (html[j] == '"' || html[j] == '\''))
                quote = html[j];
            ++j;
        }
        i = j < html.size() ? j + 1 : html.size();
        // The end of a head and the start of a body part the head's stray
        // text from the body's, as a blank that collapses with any other.
        if (NameIs(name, "head")) {
            inHead = !closing;
            if (closing) text.Text(u' ', false);
            continue;
        }
        if (NameIs(name, "body") && !closing) text.Text(u' ', false);
        if (inHead && !NameIsAnyOf(name, {"script", "style", "title", "xml", "meta", "link", "base", "basefont",
                                          "bgsound", "noscript", "noframes", "template", "!doctype"})) {
            inHead = false;
        }
        if (!closing && NameIsAnyOf(name, {"script", "style", "title", "xml"})) {
            std::size_t k = i;
            std::size_t found = View::npos;
            while (k < html.size()) {
                std::size_t lt = html.find(Units(kEndTagOpen<Unit>), k);
                if (lt == View::npos) break;
                if (SameName(html.substr(lt + 2, name.size()), name)) {
                    found = lt;
                    break;
                }
                k = lt + 2;
            }
            if (found == View::npos) {
                i = html.size();  // an unclosed block ends the document
                continue;
            }
            std::size_t gt = html.find('>', found);
            i = gt == View::npos ? html.size() : gt + 1;
            continue;
        }
        if (NameIs(name, "br")) {
            text.LineBreak();
        } else if (NameIs(name, "pre")) {
            text.BlockBreak();
            preDepth = closing ? (preDepth > 0 ? preDepth - 1 : 0) : preDepth + 1;
        } else if (NameIsAnyOf(name, {"ul", "ol"})) {
            text.SoftBreak();
        } else if (NameIs(name, "li")) {
            if (!closing) {
                text.SoftBreak();
                text.TextString(u"* ");
            } else {
                text.SoftBreak();
            }
        } else if (NameIsAnyOf(name, {"p", "h1", "h2", "h3", "h4", "h5", "h6", "blockquote", "table", "hr"})) {
            text.BlockBreak();
        } else if (NameIsAnyOf(name, {"div", "tr", "dt", "dd", "section", "article", "header", "footer", "center",
                                      "address"})) {
            text.SoftBreak();
        } else if (NameIsAnyOf(name, {"td", "th"}) && !closing) {
            text.Text(u' ', false);
        }
    }
}

}  // namespace

std::u16string HtmlToText(std::u16string_view html) {
    // The text is seldom longer than its HTML; room for that much spares
    // copies of a large body while it grows.
    TextBuilder text(nullptr, std::numeric_limits<std::size_t>::max(), html.size());
    Convert(html, text, [&](std::size_t i, bool preformatted) {
        text.Text(html[i], preformatted);
        return i + 1;
    });
    return text.Finish();
}

void HtmlToText(std::string_view htmlBytes, const HtmlByteCharset& charset, const TextPieces& out) {
    HtmlToText(htmlBytes, charset, out, kMaxTextPieceUnits);
}

void HtmlToText(std::string_view htmlBytes, const HtmlByteCharset& charset, const TextPieces& out,
                std::size_t maxPieceUnits) {
    maxPieceUnits = std::max<std::size_t>(maxPieceUnits, 2);
    TextBuilder text(&out, maxPieceUnits, std::min(maxPieceUnits, htmlBytes.size()));
    Convert(htmlBytes, text, [&](std::size_t i, bool preformatted) {
        const auto byte = static_cast<unsigned char>(htmlBytes[i]);
        if (byte < 0x80) {
            text.Text(byte, preformatted);
            return i + 1;
        }
        const html::ByteCharacter character = html::ReadByteCharacter(htmlBytes, i, charset);
        for (std::size_t k = 0; k < character.unitCount; ++k) text.Text(character.units[k], preformatted);
        return i + character.length;
    });
    text.Finish();
}

}  // namespace mailvane::mapping
