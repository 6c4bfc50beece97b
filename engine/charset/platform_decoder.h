#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "engine/charset/charset_registry.h"

namespace mailvane::charset {

// The platform side of the decoding seam: iconv natively, MultiByteToWideChar
// on Windows. Strict: empty when the charset is not available or the bytes
// are not valid in it, so that the caller can fall back.
std::optional<std::u16string> DecodeWithPlatform(std::string_view bytes, const CharsetInfo& charset);

}  // namespace mailvane::charset
