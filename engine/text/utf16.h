#pragma once

#include <string>
#include <string_view>

namespace mailvane::text {

constexpr bool IsHighSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
constexpr bool IsLowSurrogate(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }
constexpr bool IsSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }

// Writes code point `c` (at most U+10FFFF, no surrogate) as one code unit
// or a surrogate pair at `at`; returns the position after it. Inline: the
// decoders write every character of a message through it.
inline char16_t* PutUtf16(char16_t* at, char32_t c) {
    if (c >= 0x10000) {
        c -= 0x10000;
        *at++ = static_cast<char16_t>(0xD800 + (c >> 10));
        *at++ = static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    } else {
        *at++ = static_cast<char16_t>(c);
    }
    return at;
}

// The same, appended to `out`.
inline void AppendUtf16(std::u16string& out, char32_t c) {
    char16_t units[2];
    out.append(units, static_cast<std::size_t>(PutUtf16(units, c) - units));
}

// Bytes taken one for one as code points (for ASCII-only header text).
std::u16string WidenAscii(std::string_view text);

}  // namespace mailvane::text
