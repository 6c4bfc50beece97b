#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "engine/charset/charset_registry.h"

namespace mailvane::charset {

// GB18030 read alike on every platform: its four-byte forms by the engine's
// own table of GB18030's ranges, the one- and two-byte characters between
// them by the platform (a Windows without code page 54936, as Wine is,
// reads that part as GBK, which it is). Strict: empty when a four-byte form
// or the platform's part is not valid.
std::optional<std::u16string> DecodeGb18030(std::string_view bytes, const CharsetInfo& charset);

// The character of a four-byte form (b1 0x81-0xFE, b2 0x30-0x39, b3
// 0x81-0xFE, b4 0x30-0x39), empty for a form that names none.
std::optional<char32_t> Gb18030FourByte(std::string_view form);

}  // namespace mailvane::charset
