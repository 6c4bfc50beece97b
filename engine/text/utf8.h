#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace mailvane::text {

// The length of the well-formed UTF-8 sequence that starts at `bytes[at]`
// (1 for ASCII) and its code point in `c`; 0 when the bytes there are no
// such sequence: a stray continuation byte, a cut sequence, an overlong
// form, a surrogate, or a value past U+10FFFF.
std::size_t DecodeUtf8(std::string_view bytes, std::size_t at, char32_t& c);

// UTF-8 for UTF-16 text; an unpaired surrogate becomes U+FFFD.
std::string Utf8FromUtf16(std::u16string_view text);

}  // namespace mailvane::text
