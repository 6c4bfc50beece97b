#include "engine/mime/encoded_words.h"

#include <vector>

#include "engine/charset/charset_decoder.h"
#include "engine/charset/unlabelled_text.h"
#include "engine/mime/ascii_text.h"
#include "engine/mime/base64_decoder.h"
#include "engine/text/ascii_case.h"

namespace mailvane::mime {
namespace {

// Longer charset names are not charset names; the bound keeps a stray "=?"
// from scanning a whole header.
constexpr std::size_t kMaxCharsetLength = 64;

void AppendQ(std::string_view text, std::string& bytes) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '_') {
            bytes.push_back(' ');
        } else if (c == '=' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
            bytes.push_back(static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2])));
            i += 2;
        } else {
            bytes.push_back(c);
        }
    }
}

bool OnlyBlanks(std::string_view text) {
    for (char c : text) {
        if (!IsBlank(c) && !IsLineBreak(c)) {
            return false;
        }
    }
    return true;
}

// Adjacent encoded words of one charset, collected as bytes.
class WordRun {
public:
    bool Empty() const { return m_charset.empty(); }
    bool SameCharset(std::string_view charset) const { return text::EqualsIgnoreCase(charset, m_charset); }

    void Add(const EncodedWord& word) {
        if (m_charset.empty()) {
            m_charset.assign(word.charset);
        }
        if (word.encoding == 'B') {
            std::vector<std::uint8_t> decoded;
            m_base64.Feed(word.encodedText, decoded);
            m_bytes.append(decoded.begin(), decoded.end());
        } else {
            FlushBase64();
            AppendQ(word.encodedText, m_bytes);
        }
    }

    void FlushTo(std::u16string& out) {
        if (m_charset.empty()) {
            return;
        }
        FlushBase64();
        out += charset::DecodeToUtf16(m_bytes, m_charset).text;
        m_charset.clear();
        m_bytes.clear();
        m_base64 = Base64Decoder{};
    }

private:
    void FlushBase64() {
        std::vector<std::uint8_t> decoded;
        m_base64.Finish(decoded);
        m_bytes.append(decoded.begin(), decoded.end());
        m_base64 = Base64Decoder{};
    }

    std::string m_charset;
    std::string m_bytes;
    Base64Decoder m_base64;  // a payload may be split mid-quantum across words
};

void AppendPlain(std::string_view text, std::span<const std::string> declaredCharsets, std::u16string& out) {
    if (!text.empty()) {
        out += charset::DecodeUnlabelledText(text, declaredCharsets);
    }
}

}  // namespace

std::optional<EncodedWord> MatchEncodedWord(std::string_view text, std::size_t at) {
    if (text.substr(at, 2) != "=?") {
        return std::nullopt;
    }
    const std::size_t charsetBegin = at + 2;
    const auto charsetEnd = text.find('?', charsetBegin);
    if (charsetEnd == std::string_view::npos || charsetEnd == charsetBegin ||
        charsetEnd - charsetBegin > kMaxCharsetLength || charsetEnd + 2 >= text.size() || text[charsetEnd + 2] != '?') {
        return std::nullopt;
    }
    auto charsetName = text.substr(charsetBegin, charsetEnd - charsetBegin);
    for (char c : charsetName) {
        if (IsBlank(c) || IsLineBreak(c) || c == '=' || c == '"') {
            return std::nullopt;
        }
    }
    const char encoding = static_cast<char>(text::AsciiLower(text[charsetEnd + 1]) == 'b'   ? 'B'
                                            : text::AsciiLower(text[charsetEnd + 1]) == 'q' ? 'Q'
                                                                                            : 0);
    if (encoding == 0) {
        return std::nullopt;
    }
    const std::size_t textBegin = charsetEnd + 3;
    const auto close = text.find("?=", textBegin);
    if (close == std::string_view::npos) {
        return std::nullopt;
    }
    if (const auto star = charsetName.find('*'); star != std::string_view::npos) {
        charsetName = charsetName.substr(0, star);
    }
    return EncodedWord{at, close + 2, charsetName, encoding, text.substr(textBegin, close - textBegin)};
}

std::u16string DecodeEncodedText(std::string_view raw, std::span<const std::string> declaredCharsets) {
    std::u16string out;
    WordRun run;
    std::size_t plainBegin = 0;  // text since the last encoded word
    // No word can start after the last "?=": stopping there keeps a header
    // full of unclosed "=?c?Q?" openers from being scanned once per opener.
    const auto lastClose = raw.rfind("?=");
    std::size_t pos = raw.find("=?");
    while (pos != std::string_view::npos && lastClose != std::string_view::npos && pos < lastClose) {
        const auto word = MatchEncodedWord(raw, pos);
        if (!word) {
            pos = raw.find("=?", pos + 1);
            continue;
        }
        const auto between = raw.substr(plainBegin, word->begin - plainBegin);
        const bool adjacent = !run.Empty() && OnlyBlanks(between);
        if (!adjacent || !run.SameCharset(word->charset)) {
            run.FlushTo(out);
        }
        if (!adjacent) {
            AppendPlain(between, declaredCharsets, out);
        }
        run.Add(*word);
        plainBegin = word->end;
        pos = raw.find("=?", word->end);
    }
    run.FlushTo(out);
    AppendPlain(raw.substr(plainBegin), declaredCharsets, out);
    return out;
}

std::u16string DecodeUnstructured(std::string_view raw, std::span<const std::string> declaredCharsets) {
    return DecodeEncodedText(raw, declaredCharsets);
}

}  // namespace mailvane::mime
