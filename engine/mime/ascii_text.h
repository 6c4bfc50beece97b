#pragma once

#include <string>
#include <string_view>

namespace mailvane::mime {

// Byte-level helpers for header syntax, which is ASCII whatever the locale
// (its case: engine/text/ascii_case.h).
constexpr bool IsBlank(char c) { return c == ' ' || c == '\t'; }
constexpr bool IsLineBreak(char c) { return c == '\r' || c == '\n'; }
constexpr bool IsDigit(char c) { return c >= '0' && c <= '9'; }
constexpr bool IsAlpha(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
constexpr bool IsEightBit(char c) { return static_cast<unsigned char>(c) >= 0x80; }

// Without leading and trailing blanks and line breaks.
std::string_view TrimBlanks(std::string_view text);
bool HasEightBitBytes(std::string_view text);
// 0..15 for a hexadecimal digit of either case, -1 otherwise.
int HexValue(char c);

}  // namespace mailvane::mime
