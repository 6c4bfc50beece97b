#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace mailvane::text {

// ASCII case, whatever the locale: the case of header names, charset
// labels, tags, keywords and file names that protocols and formats fold.
// Only A-Z and a-z change; every other byte or code unit stays as it is.
template <typename Unit>
constexpr Unit AsciiLower(Unit c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<Unit>(c - 'A' + 'a') : c;
}

template <typename Unit>
constexpr Unit AsciiUpper(Unit c) {
    return (c >= 'a' && c <= 'z') ? static_cast<Unit>(c - 'a' + 'A') : c;
}

std::string ToLowerAscii(std::string_view text);
std::u16string ToLowerAscii(std::u16string_view text);
std::string ToUpperAscii(std::string_view text);
std::u16string ToUpperAscii(std::u16string_view text);

// Inline, for the lengths to be compared where it is called: header names
// are looked up by the hundred per message, and most differ in length.
template <typename Unit>
constexpr bool EqualsIgnoreCase(std::basic_string_view<Unit> a, std::basic_string_view<Unit> b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i] && AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    }
    return true;
}
constexpr bool EqualsIgnoreCase(std::string_view a, std::string_view b) { return EqualsIgnoreCase<char>(a, b); }
constexpr bool EqualsIgnoreCase(std::u16string_view a, std::u16string_view b) {
    return EqualsIgnoreCase<char16_t>(a, b);
}

bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix);

}  // namespace mailvane::text
