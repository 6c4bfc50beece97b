#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "engine/charset/charset_registry.h"

namespace mailvane::charset {

// Text labelled with a charset the platform decodes, in which some bytes
// are not valid: every character the platform reads is kept, and each it
// refuses becomes one U+FFFD (`replaced` set), as the WHATWG decoders read
// such text; a double-byte character whose second byte is ASCII, and a
// four-byte GB18030 form, give the U+FFFD for their first byte only, and
// the bytes after it are read again. Empty when
// the platform does not know the charset, or for a charset with shift
// states (ISO-2022-KR), whose text cannot be read in pieces.
std::optional<std::u16string> DecodeReplacingInvalid(std::string_view bytes, const CharsetInfo& charset,
                                                     bool& replaced);

// The bytes of the character that starts at `at` as the charset's code
// page lays characters out (a lead byte and what follows), without telling
// whether it is valid; at least one, at most what is left.
std::size_t CharacterLength(std::string_view bytes, std::size_t at, int codePage);

}  // namespace mailvane::charset
