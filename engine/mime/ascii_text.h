#pragma once

#include <string>
#include <string_view>

namespace mailvane::mime {

// Byte-level helpers for header syntax, which is ASCII whatever the locale.
constexpr char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
constexpr bool IsBlank(char c) { return c == ' ' || c == '\t'; }
constexpr bool IsLineBreak(char c) { return c == '\r' || c == '\n'; }
constexpr bool IsDigit(char c) { return c >= '0' && c <= '9'; }
constexpr bool IsAlpha(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
constexpr bool IsEightBit(char c) { return static_cast<unsigned char>(c) >= 0x80; }

std::string ToLowerAscii(std::string_view text);
// Inline, for the lengths to be compared where it is called: header names
// are looked up by the hundred per message, and most differ in length.
constexpr bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i] && AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    }
    return true;
}
bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix);
// Without leading and trailing blanks and line breaks.
std::string_view TrimBlanks(std::string_view text);
bool HasEightBitBytes(std::string_view text);
// 0..15 for a hexadecimal digit of either case, -1 otherwise.
int HexValue(char c);

}  // namespace mailvane::mime
