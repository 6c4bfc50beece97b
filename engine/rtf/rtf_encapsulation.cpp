#include "engine/rtf/rtf_encapsulation.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "engine/charset/charset_registry.h"
#include "engine/text/ascii_case.h"
#include "engine/text/utf16.h"
#include "engine/text/utf8.h"

namespace mailvane::rtf {
namespace {

constexpr char kHex[] = "0123456789abcdef";

// RTF is handed over once this much has gathered.
constexpr std::size_t kPieceSize = 64 * 1024;

// Room for the RTF gathered before it is handed over: a piece and the run
// that passes it, or, for a short body, about twice the body, which its
// escapes seldom exceed. A buffer as large as two pieces for every body is
// a block some heaps hand back to the system after each message.
std::size_t PieceRoom(std::size_t bodySize) { return std::min(2 * kPieceSize, 2 * bodySize + 1024); }

void AppendHexByte(std::string& out, std::uint8_t byte) {
    out += "\\'";
    out += kHex[byte >> 4];
    out += kHex[byte & 0xF];
}

// \uN takes a signed 16-bit value, so code units above 0x7FFF go negative.
void AppendUnicodeUnit(std::string& out, std::uint16_t unit) {
    out += "\\u";
    out += std::to_string(unit > 0x7FFF ? static_cast<int>(unit) - 0x10000 : static_cast<int>(unit));
    out += '?';
}

void AppendCodePoint(std::string& out, char32_t cp) {
    char16_t units[2];
    const char16_t* end = text::PutUtf16(units, cp);
    for (const char16_t* unit = units; unit != end; ++unit) AppendUnicodeUnit(out, *unit);
}

// Printable ASCII that RTF takes as it is, by byte: one look-up per byte
// of the long runs of text and markup.
constexpr std::array<bool, 256> kPlainRtf = [] {
    std::array<bool, 256> plain{};
    for (std::size_t b = 0x20; b < 0x7F; ++b) plain[b] = b != '\\' && b != '{' && b != '}';
    return plain;
}();

bool IsPlainRtf(std::uint8_t b) { return kPlainRtf[b]; }
bool IsPlainRtf(char16_t c) { return c < 0x80 && kPlainRtf[c]; }

// Escapes bytes so that an RTF reader gives them back one for one. Raw line
// ends are whitespace to RTF readers, so every control byte is escaped.
void AppendEscaped(std::string& out, std::string_view bytes) {
    std::size_t plain = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<std::uint8_t>(bytes[i]);
        if (IsPlainRtf(b)) continue;
        const bool special = b == '\\' || b == '{' || b == '}';
        out.append(bytes.substr(plain, i - plain));
        plain = i + 1;
        if (special) {
            out += '\\';
            out += bytes[i];
        } else {
            AppendHexByte(out, b);
        }
    }
    out.append(bytes.substr(plain));
}

// The font charset that makes RTF readers interpret \'hh in `codePage`.
int FontCharset(int codePage) {
    switch (codePage) {
        case 874:
            return 222;
        case 932:
            return 128;
        case 936:
            return 134;
        case 949:
            return 129;
        case 950:
            return 136;
        case 1250:
            return 238;
        case 1251:
            return 204;
        case 1253:
            return 161;
        case 1254:
            return 162;
        case 1255:
            return 177;
        case 1256:
            return 178;
        case 1257:
            return 186;
        case 1258:
            return 163;
        default:
            return 0;
    }
}

bool IsDbcsLeadByte(int codePage, std::uint8_t b) {
    switch (codePage) {
        case 932:
            return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
        case 936:
        case 949:
        case 950:
            return b >= 0x81 && b <= 0xFE;
        default:
            return false;
    }
}

std::size_t FindNoCase(std::string_view s, std::string_view needle, std::size_t from) {
    for (std::size_t i = from; i + needle.size() <= s.size(); ++i) {
        if (text::StartsWithIgnoreCase(s.substr(i), needle)) return i;
    }
    return std::string_view::npos;
}

std::string LowerTagName(std::string_view tag) {
    std::size_t i = 1;
    if (i < tag.size() && tag[i] == '/') ++i;
    std::string name;
    for (; i < tag.size(); ++i) {
        char c = tag[i];
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) break;
        name += text::AsciiLower(c);
    }
    return name;
}

// Where the tag that opens at `start` ends: after its '>', quotes inside the
// tag respected; the end of the input when it never closes.
std::size_t TagEnd(std::string_view html, std::size_t start) {
    if (html.substr(start, 4) == "<!--") {
        const std::size_t close = html.find("-->", start + 4);
        return close == std::string_view::npos ? html.size() : close + 3;
    }
    char quote = 0;
    for (std::size_t i = start + 1; i < html.size(); ++i) {
        const char c = html[i];
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '>') {
            return i + 1;
        }
    }
    return html.size();
}

bool IsTagStart(std::string_view html, std::size_t i) {
    if (i + 1 >= html.size()) return false;
    const char c = html[i + 1];
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '/' || c == '!' || c == '?';
}

// Tags after which a plain RTF reader should start a new line.
bool BreaksLine(std::string_view tag, const std::string& name) {
    const bool closing = tag.size() > 1 && tag[1] == '/';
    if (name == "br") return true;
    if (!closing) return false;
    return name == "p" || name == "div" || name == "tr" || name == "li" || name == "table" ||
           (name.size() == 2 && name[0] == 'h' && name[1] >= '1' && name[1] <= '6');
}

// What an entity shows as, for RTF readers; empty for the ones not worth a
// table here (the HTML keeps them all the same).
std::string EntityRendering(std::string_view entity) {
    const std::string_view body = entity.substr(1, entity.size() - 2);
    if (body == "amp") return "&";
    if (body == "lt") return "<";
    if (body == "gt") return ">";
    if (body == "quot") return "\"";
    if (body == "apos") return "'";
    if (body == "nbsp") return "\\~";
    if (body.size() > 1 && body[0] == '#') {
        std::uint32_t cp = 0;
        const bool hex = body[1] == 'x' || body[1] == 'X';
        for (std::size_t i = hex ? 2 : 1; i < body.size(); ++i) {
            const char c = body[i];
            int digit = -1;
            if (c >= '0' && c <= '9')
                digit = c - '0';
            else if (hex && c >= 'a' && c <= 'f')
                digit = c - 'a' + 10;
            else if (hex && c >= 'A' && c <= 'F')
                digit = c - 'A' + 10;
            if (digit < 0 || cp > 0x10FFFF) return {};
            cp = cp * (hex ? 16 : 10) + static_cast<std::uint32_t>(digit);
        }
        if (cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return {};
        std::string out;
        AppendCodePoint(out, cp);
        return out;
    }
    return {};
}

std::size_t EntityLength(std::string_view html, std::size_t i) {
    for (std::size_t j = i + 1; j < html.size() && j < i + 12; ++j) {
        const char c = html[j];
        if (c == ';') return j > i + 1 ? j + 1 - i : 0;
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '#')) return 0;
    }
    return 0;
}

// The parameters of \htmltag destinations: one for HTML markup, one for
// text the RTF renders on its own (line ends, entities, characters it
// escapes), as Outlook writes them.
constexpr std::string_view kHtmlMarkup = "{\\*\\htmltag0 ";
constexpr std::string_view kHtmlText = "{\\*\\htmltag84 ";

class Encapsulator {
public:
    Encapsulator(std::string_view html, int codePage, const RtfPieces& pieces)
        : m_html(html), m_codePage(codePage), m_pieces(pieces) {}

    void Run() {
        const int charset = FontCharset(m_codePage);
        m_out.reserve(PieceRoom(m_html.size()));
        m_out += "{\\rtf1\\ansi\\ansicpg" + std::to_string(m_codePage) + "\\fromhtml1 \\deff0{\\fonttbl\r\n";
        m_out += "{\\f0\\fswiss\\fcharset" + std::to_string(charset) + " Arial;}\r\n";
        m_out += "{\\f1\\fmodern Courier New;}\r\n{\\f2\\fnil\\fcharset2 Symbol;}\r\n";
        m_out += "{\\f3\\fmodern\\fcharset" + std::to_string(charset) + " Courier New;}}\r\n";
        m_out += "{\\colortbl\\red0\\green0\\blue0;\\red0\\green0\\blue255;}\r\n";
        m_out += "\\uc1\\pard\\plain\\deftab360 \\f0\\fs20 {\\*\\htmltag64}";

        std::size_t i = 0;
        while (i < m_html.size()) {
            const char c = m_html[i];
            if (c == '<' && IsTagStart(m_html, i)) {
                i = Tag(i);
            } else if (m_inHead) {
                const std::size_t next = m_html.find('<', i + 1);
                const std::size_t end = next == std::string_view::npos ? m_html.size() : next;
                Markup(kHtmlMarkup, m_html.substr(i, end - i));
                i = end;
            } else if (c == '&' && EntityLength(m_html, i) > 0) {
                const std::size_t length = EntityLength(m_html, i);
                const std::string_view entity = m_html.substr(i, length);
                Markup(kHtmlText, entity);
                Hidden(EntityRendering(entity));
                i += length;
            } else {
                i = Text(i);
            }
            if (m_out.size() >= kPieceSize) HandOver();
        }
        m_out += '}';
        HandOver();
    }

private:
    std::size_t Tag(std::size_t start) {
        std::size_t end = TagEnd(m_html, start);
        const std::string_view tag = m_html.substr(start, end - start);
        const std::string name = LowerTagName(tag);
        const bool closing = tag.size() > 1 && tag[1] == '/';
        if (!closing && (name == "script" || name == "style" || name == "title")) {
            // Their content is not text a reader sees: it stays markup.
            const std::size_t close = FindNoCase(m_html, "</" + name, end);
            end = close == std::string_view::npos ? m_html.size() : TagEnd(m_html, close);
        }
        if (name == "head") m_inHead = !closing;
        if (name == "body" && !closing) m_inHead = false;
        Markup(kHtmlMarkup, m_html.substr(start, end - start));
        if (BreaksLine(tag, name)) Hidden("\\par ");
        return end;
    }

    std::size_t Text(std::size_t i) {
        const auto b = static_cast<std::uint8_t>(m_html[i]);
        if (b == '\r' || b == '\n') {
            std::size_t end = i;
            while (end < m_html.size() && (m_html[end] == '\r' || m_html[end] == '\n')) ++end;
            Markup(kHtmlText, m_html.substr(i, end - i));
            Hidden(" ");
            return end;
        }
        if (b == '\t') {
            m_out += "\\tab ";
            return i + 1;
        }
        if (b < 0x20 || b == 0x7F) {
            Markup(kHtmlText, m_html.substr(i, 1));
            return i + 1;
        }
        if (IsPlainRtf(b) && b != '<' && b != '&') {
            // A run of such characters is all text, whatever the loop in
            // Run would make of it one by one; it stops short of a piece.
            std::size_t end = i + 1;
            const std::size_t stop = std::min(m_html.size(), i + kPieceSize);
            while (end < stop && IsPlainRtf(static_cast<std::uint8_t>(m_html[end])) && m_html[end] != '<' &&
                   m_html[end] != '&') {
                ++end;
            }
            m_out.append(m_html.substr(i, end - i));
            return end;
        }
        if (b < 0x80) {
            if (b == '\\' || b == '{' || b == '}') m_out += '\\';
            m_out += static_cast<char>(b);
            return i + 1;
        }
        if (m_codePage == charset::kCodePageUtf8) {
            char32_t cp = 0;
            const std::size_t length = text::DecodeUtf8(m_html, i, cp);
            if (length == 0) {
                Markup(kHtmlText, m_html.substr(i, 1));
                return i + 1;
            }
            // The bytes travel in the markup; readers of RTF alone see \uN.
            Markup(kHtmlText, m_html.substr(i, length));
            std::string shown;
            AppendCodePoint(shown, cp);
            Hidden(shown);
            return i + length;
        }
        if (IsDbcsLeadByte(m_codePage, b) && i + 1 < m_html.size()) {
            AppendHexByte(m_out, b);
            AppendHexByte(m_out, static_cast<std::uint8_t>(m_html[i + 1]));
            return i + 2;
        }
        AppendHexByte(m_out, b);
        return i + 1;
    }

    void Markup(std::string_view opening, std::string_view bytes) {
        m_out += opening;
        AppendEscaped(m_out, bytes);
        m_out += '}';
    }

    // Control words end at the blank after them; the blanks in these
    // literals belong to the words, not to the text.
    void Hidden(std::string_view rtf) {
        if (rtf.empty()) return;
        m_out += "\\htmlrtf ";
        m_out += rtf;
        m_out += "\\htmlrtf0 ";
    }

    void HandOver() {
        m_pieces(m_out);
        m_out.clear();
    }

    std::string_view m_html;
    int m_codePage;
    const RtfPieces& m_pieces;
    bool m_inHead = false;
    std::string m_out;
};

}  // namespace

std::string EncapsulateHtml(std::string_view htmlBytes, int codePage) {
    std::string rtf;
    EncapsulateHtml(htmlBytes, codePage, [&](std::string_view piece) { rtf += piece; });
    return rtf;
}

void EncapsulateHtml(std::string_view htmlBytes, int codePage, const RtfPieces& out) {
    Encapsulator(htmlBytes, codePage, out).Run();
}

std::string RtfFromPlainText(std::u16string_view text) {
    std::string rtf;
    RtfFromPlainText(text, [&](std::string_view piece) { rtf += piece; });
    return rtf;
}

void RtfFromPlainText(std::u16string_view text, const RtfPieces& out) {
    PlainTextRtf rtf(out, text.size());
    rtf.Append(text);
    rtf.Finish();
}

PlainTextRtf::PlainTextRtf(const RtfPieces& out, std::size_t textSize) : m_pieces(out) {
    m_rtf.reserve(PieceRoom(textSize));
    m_rtf += "{\\rtf1\\ansi\\ansicpg1252\\fromtext \\deff0{\\fonttbl\r\n{\\f0\\fswiss\\fcharset0 Arial;}}\r\n";
    m_rtf += "\\uc1\\pard\\plain\\f0\\fs20 ";
}

void PlainTextRtf::Append(std::u16string_view text) {
    std::size_t i = 0;
    // The LF of a CRLF whose CR ended the last piece.
    if (m_afterCr && !text.empty() && text.front() == u'\n') i = 1;
    if (!text.empty()) m_afterCr = false;
    for (; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && i + 1 == text.size()) m_afterCr = true;
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
            m_rtf += "\\par\r\n";
        } else if (c == u'\t') {
            m_rtf += "\\tab ";
        } else if (c == u'\\' || c == u'{' || c == u'}') {
            m_rtf += '\\';
            m_rtf += static_cast<char>(c);
        } else if (IsPlainRtf(c)) {
            // The run of such characters goes over at once, to the end of
            // the text or of the piece.
            std::size_t end = i + 1;
            const std::size_t stop = std::min(text.size(), i + kPieceSize);
            while (end < stop && IsPlainRtf(text[end])) ++end;
            const std::size_t at = m_rtf.size();
            m_rtf.resize(at + (end - i));
            std::transform(
                text.begin() + static_cast<std::ptrdiff_t>(i), text.begin() + static_cast<std::ptrdiff_t>(end),
                m_rtf.begin() + static_cast<std::ptrdiff_t>(at), [](char16_t unit) { return static_cast<char>(unit); });
            i = end - 1;  // the loop steps past the run
        } else if (c >= 0x80) {
            AppendUnicodeUnit(m_rtf, c);
        }
        if (m_rtf.size() >= kPieceSize) {
            m_pieces(m_rtf);
            m_rtf.clear();
        }
    }
}

void PlainTextRtf::Finish() {
    m_rtf += '}';
    m_pieces(m_rtf);
    m_rtf.clear();
}

}  // namespace mailvane::rtf
