#include "engine/text/utf8.h"

#include <algorithm>

#include "engine/text/utf16.h"

namespace mailvane::text {

std::size_t DecodeUtf8(std::string_view bytes, std::size_t at, char32_t& c) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80) {
        c = lead;
        return 1;
    }
    std::size_t length = 0;
    char32_t minimum = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, c = lead & 0x1Fu, minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, c = lead & 0x0Fu, minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, c = lead & 0x07u, minimum = 0x10000;
    } else {
        return 0;
    }
    if (bytes.size() - at < length) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(at + k) & 0xC0) != 0x80) return 0;
        c = (c << 6) | (byte(at + k) & 0x3Fu);
    }
    return c < minimum || c > 0x10FFFF || IsSurrogate(c) ? 0 : length;
}

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
        if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (IsSurrogate(c)) {
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

}  // namespace mailvane::text
