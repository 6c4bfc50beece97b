#include "tests/support/rtf/html_extraction.h"

#include <cstdint>
#include <vector>

namespace mailvane::testing {
namespace {

// RTF control words whose group is not document text.
bool IsSkippedDestination(std::string_view word) {
    static constexpr std::string_view kWords[] = {"fonttbl",      "colortbl",
                                                  "stylesheet",   "info",
                                                  "pict",         "object",
                                                  "header",       "footer",
                                                  "headerl",      "headerr",
                                                  "footerl",      "footerr",
                                                  "listtable",    "listoverridetable",
                                                  "rsidtbl",      "generator",
                                                  "xmlnstbl",     "fldinst",
                                                  "themedata",    "colorschememapping",
                                                  "latentstyles", "datastore",
                                                  "filetbl",      "revtbl",
                                                  "bkmkstart",    "bkmkend",
                                                  "footnote",     "annotation",
                                                  "mmathPr",      "pntext",
                                                  "pntxta",       "pntxtb",
                                                  "listtext",     "userprops",
                                                  "private"};
    for (std::string_view w : kWords) {
        if (w == word) return true;
    }
    return false;
}

void AppendUtf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Walks RTF token by token keeping, per group, what its text is: HTML from
// an \htmltag destination, document text (dropped while \htmlrtf is on), or
// a destination that is neither.
class Extractor {
public:
    explicit Extractor(std::string_view rtf) : m_rtf(rtf) {}

    std::optional<std::string> Run() {
        std::size_t i = 0;
        while (i < m_rtf.size() && (m_rtf[i] == ' ' || m_rtf[i] == '\r' || m_rtf[i] == '\n')) ++i;
        if (m_rtf.substr(i, 5) != "{\\rtf") return std::nullopt;
        while (i < m_rtf.size()) {
            const char c = m_rtf[i];
            if (c == '{') {
                if (m_stack.size() >= kMaxDepth) return std::nullopt;
                if (!m_stack.empty()) m_header = false;
                m_stack.push_back(m_stack.empty() ? State{} : m_stack.back());
                m_groupStart = true;
                ++i;
            } else if (c == '}') {
                if (m_stack.empty()) return std::nullopt;
                m_stack.pop_back();
                ++i;
                if (m_stack.empty()) break;
            } else if (c == '\\') {
                if (m_stack.empty()) return std::nullopt;
                i = Control(i);
                if (m_failed) return std::nullopt;
            } else if (c == '\r' || c == '\n' || c == '\0') {
                ++i;
            } else {
                if (m_stack.empty()) return std::nullopt;
                m_groupStart = false;
                if (m_stack.size() == 1 && c != ' ') m_header = false;
                Char(static_cast<std::uint8_t>(c));
                ++i;
            }
        }
        if (!m_stack.empty() || !m_fromHtml) return std::nullopt;
        for (; i < m_rtf.size(); ++i) {
            if (m_rtf[i] != '\0' && m_rtf[i] != '\r' && m_rtf[i] != '\n' && m_rtf[i] != ' ') return std::nullopt;
        }
        return std::move(m_html);
    }

private:
    enum class Dest { Text, HtmlTag, Skip };
    struct State {
        Dest dest = Dest::Text;
        bool htmlrtf = false;
        int uc = 1;
    };
    static constexpr std::size_t kMaxDepth = 4096;

    bool Active() const {
        const State& s = m_stack.back();
        return s.dest == Dest::HtmlTag || (s.dest == Dest::Text && !s.htmlrtf);
    }

    void Char(std::uint8_t b) {
        if (m_skip > 0) {
            --m_skip;
            return;
        }
        if (Active()) m_html += static_cast<char>(b);
    }

    void Emit(std::string_view s) {
        if (Active()) m_html += s;
    }

    std::size_t Control(std::size_t i) {
        ++i;
        if (i >= m_rtf.size()) {
            m_failed = true;
            return i;
        }
        const char c = m_rtf[i];
        if (!IsLetter(c)) {
            const bool atStart = m_groupStart;
            m_groupStart = false;
            switch (c) {
                case '\'': {
                    if (i + 2 >= m_rtf.size()) {
                        m_failed = true;
                        return i;
                    }
                    const int hi = HexValue(m_rtf[i + 1]);
                    const int lo = HexValue(m_rtf[i + 2]);
                    if (hi < 0 || lo < 0) return i + 1;
                    Char(static_cast<std::uint8_t>(hi * 16 + lo));
                    return i + 3;
                }
                case '*':
                    if (atStart) m_starred = m_stack.size();
                    m_groupStart = atStart;
                    return i + 1;
                case '~':
                    Emit(m_codePage == 65001 ? "\xC2\xA0" : "\xA0");
                    return i + 1;
                case '_':
                    Emit("-");
                    return i + 1;
                case '\r':
                case '\n':
                    Emit("\r\n");
                    return i + 1;
                case '\\':
                case '{':
                case '}':
                    Char(static_cast<std::uint8_t>(c));
                    return i + 1;
                default:
                    return i + 1;
            }
        }
        std::size_t end = i;
        while (end < m_rtf.size() && IsLetter(m_rtf[end]) && end - i < 32) ++end;
        const std::string_view word = m_rtf.substr(i, end - i);
        bool hasParam = false;
        bool negative = false;
        long long param = 0;
        if (end < m_rtf.size() && m_rtf[end] == '-') {
            negative = true;
            ++end;
        }
        std::size_t digits = 0;
        while (end < m_rtf.size() && IsDigit(m_rtf[end]) && digits < 10) {
            param = param * 10 + (m_rtf[end] - '0');
            hasParam = true;
            ++end;
            ++digits;
        }
        if (negative) param = -param;
        if (end < m_rtf.size() && m_rtf[end] == ' ') ++end;
        Word(word, hasParam, param);
        if (word == "bin" && hasParam && param > 0) {
            // Raw bytes that belong to a picture or object, never text.
            if (static_cast<unsigned long long>(param) > m_rtf.size() - end) {
                m_failed = true;
                return m_rtf.size();
            }
            return end + static_cast<std::size_t>(param);
        }
        return end;
    }

    void Word(std::string_view word, bool hasParam, long long param) {
        const bool atStart = m_groupStart;
        const bool starred = m_starred == m_stack.size();
        m_groupStart = false;
        m_starred = 0;
        State& s = m_stack.back();
        if (atStart && s.dest != Dest::Skip) {
            if (starred) {
                s.dest = word == "htmltag" ? Dest::HtmlTag : Dest::Skip;
                return;
            }
            if (IsSkippedDestination(word)) {
                s.dest = Dest::Skip;
                return;
            }
        }
        if (word == "fromhtml" && m_header && m_stack.size() == 1) {
            m_fromHtml = hasParam && param == 1;
        } else if (word == "ansicpg" && hasParam) {
            m_codePage = static_cast<int>(param);
        } else if (word == "htmlrtf") {
            s.htmlrtf = !hasParam || param != 0;
        } else if (word == "par" || word == "line") {
            Emit("\r\n");
        } else if (word == "tab") {
            Emit("\t");
        } else if (word == "uc" && hasParam && param >= 0 && param < 16) {
            s.uc = static_cast<int>(param);
        } else if (word == "u" && hasParam) {
            Unicode(static_cast<std::uint32_t>(param < 0 ? param + 0x10000 : param) & 0xFFFF);
            m_skip = s.uc;
        } else if (m_stack.size() == 1 && word != "rtf" && word != "ansi" && word != "deff" && word != "mac" &&
                   word != "pc" && word != "pca") {
            m_header = m_header && word != "pard" && word != "plain";
        }
    }

    void Unicode(std::uint32_t unit) {
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            m_pendingHigh = unit;
            return;
        }
        std::uint32_t cp = unit;
        if (unit >= 0xDC00 && unit <= 0xDFFF) {
            if (m_pendingHigh == 0) return;
            cp = 0x10000 + ((m_pendingHigh - 0xD800) << 10) + (unit - 0xDC00);
        }
        m_pendingHigh = 0;
        if (!Active()) return;
        if (m_codePage == 65001) {
            AppendUtf8(m_html, cp);
        } else {
            m_html += "&#" + std::to_string(cp) + ";";
        }
    }

    std::string_view m_rtf;
    std::vector<State> m_stack;
    std::string m_html;
    int m_codePage = 1252;
    int m_skip = 0;
    std::uint32_t m_pendingHigh = 0;
    std::size_t m_starred = 0;
    bool m_groupStart = false;
    bool m_header = true;
    bool m_fromHtml = false;
    bool m_failed = false;
};

}  // namespace

std::optional<std::string> ExtractEncapsulatedHtml(std::string_view rtf) { return Extractor(rtf).Run(); }

}  // namespace mailvane::testing
