#include "engine/charset/replacing_decoder.h"

#include <algorithm>

#include "engine/charset/gb18030_decoder.h"
#include "engine/charset/platform_decoder.h"

namespace mailvane::charset {
namespace {

constexpr char16_t kReplacement = u'\uFFFD';

bool InRange(unsigned char byte, unsigned char low, unsigned char high) { return byte >= low && byte <= high; }

class Replacer {
public:
    Replacer(std::string_view bytes, const CharsetInfo& charset, std::u16string& text, bool& replaced)
        : m_bytes(bytes), m_charset(charset), m_text(text), m_replaced(replaced) {}

    // Decodes [from, to), both at character starts: as a whole when the
    // platform takes it, else in two halves split at a character start, down
    // to single characters; so a text with k bad characters costs about
    // k * log(n) calls.
    void Decode(std::size_t from, std::size_t to) {
        if (from == to) return;
        const std::string_view piece = m_bytes.substr(from, to - from);
        const auto decoded = m_charset.decoder == DecoderKind::Gb18030 ? DecodeGb18030(piece, m_charset)
                                                                       : DecodeWithPlatform(piece, m_charset);
        if (decoded) {
            m_text += *decoded;
            return;
        }
        const std::size_t first = CharacterLength(m_bytes, from, m_charset.codePage);
        if (from + first >= to) return Refused(from, to);
        std::size_t middle = from;
        const std::size_t half = from + (to - from) / 2;
        while (middle < half) middle += CharacterLength(m_bytes, middle, m_charset.codePage);
        middle = std::min(middle, to);
        if (middle == to) middle = from + first;
        Decode(from, middle);
        Decode(middle, to);
    }

private:
    // One character the platform refused: its lead byte is replaced, and,
    // as the WHATWG decoders go on, an ASCII second byte or the last three of
    // a four-byte form are read again.
    void Refused(std::size_t from, std::size_t to) {
        m_text += kReplacement;
        m_replaced = true;
        const std::size_t length = to - from;
        if (length == 4 || (length == 2 && static_cast<unsigned char>(m_bytes[from + 1]) < 0x80)) {
            Decode(from + 1, to);
        }
    }

    std::string_view m_bytes;
    const CharsetInfo& m_charset;
    std::u16string& m_text;
    bool& m_replaced;
};

}  // namespace

std::size_t CharacterLength(std::string_view bytes, std::size_t at, int codePage) {
    const std::size_t left = bytes.size() - at;
    const auto byte = static_cast<unsigned char>(bytes[at]);
    if (byte < 0x80 || left < 2) return 1;
    const auto next = static_cast<unsigned char>(bytes[at + 1]);
    // Second bytes of every double-byte code page below start at 0x40.
    const bool trail = next >= 0x40;
    switch (codePage) {
        case 932:  // Shift_JIS: half-width katakana stand alone
            return (InRange(byte, 0x81, 0x9F) || InRange(byte, 0xE0, 0xFC)) && trail ? 2 : 1;
        case 936:
        case 949:
        case 51949:
        case 950:
            return InRange(byte, 0x81, 0xFE) && trail ? 2 : 1;
        case 54936:  // GB18030: four bytes where a digit follows the lead byte
            if (!InRange(byte, 0x81, 0xFE)) return 1;
            if (InRange(next, 0x30, 0x39)) return left >= 4 ? 4 : 1;
            return trail ? 2 : 1;
        default:
            return 1;
    }
}

std::optional<std::u16string> DecodeReplacingInvalid(std::string_view bytes, const CharsetInfo& charset,
                                                     bool& replaced) {
    if ((charset.decoder != DecoderKind::Platform && charset.decoder != DecoderKind::Gb18030) ||
        charset.codePage == 50225) {
        return std::nullopt;
    }
    if (!DecodeWithPlatform("A", charset)) return std::nullopt;
    std::u16string text;
    Replacer(bytes, charset, text, replaced).Decode(0, bytes.size());
    return text;
}

}  // namespace mailvane::charset
