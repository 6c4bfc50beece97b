// The UTF-7 decoder on untrusted bytes, and on UTF-7 that a reference
// encoder below writes from the input read as UTF-16: what is written must
// read back as the same code units.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "engine/charset/utf7_decoder.h"

namespace {

[[noreturn]] void Violated(const char* what) {
    std::fprintf(stderr, "invariant violated: %s\n", what);
    std::abort();
}

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

bool IsDirect(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
           std::u16string_view(u"'(),-./:? \t\r\n").find(c) != std::u16string_view::npos;
}

// RFC 2152 encoding: direct characters as themselves, '+' as "+-", every
// other run as base64 of its UTF-16 units, closed by '-'.
std::string EncodeUtf7(std::u16string_view text) {
    std::string out;
    std::size_t i = 0;
    while (i < text.size()) {
        if (IsDirect(text[i])) {
            out.push_back(static_cast<char>(text[i++]));
            continue;
        }
        if (text[i] == u'+') {
            out += "+-";
            ++i;
            continue;
        }
        out.push_back('+');
        std::uint32_t bits = 0;
        int count = 0;
        while (i < text.size() && !IsDirect(text[i]) && text[i] != u'+') {
            bits = (bits << 16) | text[i++];
            count += 16;
            while (count >= 6) {
                count -= 6;
                out.push_back(kAlphabet[(bits >> count) & 0x3F]);
            }
            bits &= (1u << count) - 1;
        }
        if (count > 0) out.push_back(kAlphabet[(bits << (6 - count)) & 0x3F]);
        out.push_back('-');
    }
    return out;
}

bool WellFormedUtf16(std::u16string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] >= 0xD800 && text[i] <= 0xDBFF) {
            if (i + 1 >= text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF) return false;
            ++i;
        } else if (text[i] >= 0xDC00 && text[i] <= 0xDFFF) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    bool sevenBit = true;
    for (char c : bytes) sevenBit = sevenBit && static_cast<unsigned char>(c) < 0x80;
    const auto decoded = mailvane::charset::DecodeUtf7(bytes);
    if (decoded.has_value() != sevenBit) Violated("decodes exactly the 7-bit inputs");
    if (decoded && decoded->size() > bytes.size()) Violated("more code units than bytes");

    std::u16string text(size / 2, u'\0');
    for (std::size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
    if (WellFormedUtf16(text)) {
        const auto back = mailvane::charset::DecodeUtf7(EncodeUtf7(text));
        if (!back || *back != text) Violated("encoded text does not read back");
    }
    return 0;
}
