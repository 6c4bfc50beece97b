#include "engine/mapping/utf8_encoding.h"

#include <algorithm>

namespace mailvane::mapping {

std::string Utf8FromUtf16(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        // A run of ASCII, most text, goes over at once.
        std::size_t run = i;
        while (run < text.size() && text[run] < 0x80) ++run;
        if (run != i) {
            const std::size_t at = out.size();
            out.resize(at + (run - i));
            std::transform(
                text.begin() + static_cast<std::ptrdiff_t>(i), text.begin() + static_cast<std::ptrdiff_t>(run),
                out.begin() + static_cast<std::ptrdiff_t>(at), [](char16_t unit) { return static_cast<char>(unit); });
            i = run;
            if (i == text.size()) break;
        }
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        char bytes[4];
        std::size_t length = 0;
        if (c < 0x800) {
            bytes[length++] = static_cast<char>(0xC0 | (c >> 6));
        } else if (c < 0x10000) {
            bytes[length++] = static_cast<char>(0xE0 | (c >> 12));
            bytes[length++] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        } else {
            bytes[length++] = static_cast<char>(0xF0 | (c >> 18));
            bytes[length++] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            bytes[length++] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        }
        bytes[length++] = static_cast<char>(0x80 | (c & 0x3F));
        out.append(bytes, length);
    }
    return out;
}

std::u16string AsciiUpper(std::u16string_view text) {
    std::u16string out(text);
    for (char16_t& c : out) {
        if (c >= u'a' && c <= u'z') {
            c = static_cast<char16_t>(c - u'a' + u'A');
        }
    }
    return out;
}

std::u16string WidenAscii(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (char c : text) {
        out += static_cast<char16_t>(static_cast<unsigned char>(c));
    }
    return out;
}

}  // namespace mailvane::mapping
