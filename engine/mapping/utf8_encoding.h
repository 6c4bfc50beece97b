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

}  // namespace mailvane::mapping
