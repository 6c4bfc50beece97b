#pragma once

#include <string>
#include <string_view>

namespace mailvane::mapping {

// UTF-8 for UTF-16 text; an unpaired surrogate becomes U+FFFD.
std::string Utf8FromUtf16(std::u16string_view text);

// ASCII letters upper-cased, everything else kept.
std::u16string AsciiUpper(std::u16string_view text);

// Bytes taken one for one as code points (for ASCII-only header text).
std::u16string WidenAscii(std::string_view text);

// ASCII case-insensitive equality. Inline, for the lengths to be compared
// where it is called: most names looked up differ in length.
constexpr bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i] && lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

}  // namespace mailvane::mapping
