#pragma once

#include <array>
#include <cstddef>
#include <string_view>

#include "engine/mapping/html_to_text.h"
#include "engine/text/ascii_case.h"

namespace mailvane::mapping::html {

// What the HTML scanners share. Every character a scan looks at is ASCII,
// and no byte below 0x80 of UTF-8 or of a single-byte charset with an ASCII
// lower half is part of another character. So one scan serves UTF-16 units
// and such bytes alike (its Unit), and of the bytes only what it keeps is
// decoded: a non-ASCII name matches no ASCII one, as bytes or as units.

template <typename Unit>
bool IsBlank(Unit c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}

// Whether `name` is `expected` (lower-case ASCII) in any case.
template <typename Unit>
bool NameIs(std::basic_string_view<Unit> name, std::string_view expected) {
    if (name.size() != expected.size()) return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (text::AsciiLower(name[i]) != expected[i]) return false;
    }
    return true;
}

// The markup the scans search for, in the scan's units.
template <typename Unit>
constexpr std::array<Unit, 4> kCommentOpen{'<', '!', '-', '-'};
template <typename Unit>
constexpr std::array<Unit, 3> kCommentClose{'-', '-', '>'};
template <typename Unit>
constexpr std::array<Unit, 2> kEndTagOpen{'<', '/'};

template <typename Unit, std::size_t N>
constexpr std::basic_string_view<Unit> Units(const std::array<Unit, N>& units) {
    return {units.data(), N};
}

// The character at `bytes[i]`, a byte at or above 0x80 of HTML in
// `charset`: one or two UTF-16 units (U+FFFD where no valid UTF-8 sequence
// starts) and the number of bytes it takes.
struct ByteCharacter {
    std::array<char16_t, 2> units{};
    std::size_t unitCount = 0;
    std::size_t length = 0;
};
ByteCharacter ReadByteCharacter(std::string_view bytes, std::size_t i, const HtmlByteCharset& charset);

}  // namespace mailvane::mapping::html
