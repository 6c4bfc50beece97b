#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace mailvane::charset {

// UTF-7 (RFC 2152), decoded by the engine itself so that every platform
// reads the same bytes the same way. ASCII stands for itself; "+-" is '+';
// '+' starts a run of modified base64 holding UTF-16 code units, which
// ends at the first byte outside the base64 alphabet ('-' is then
// dropped). A run that is not well formed (bits left over that are not
// zero or make a whole sixth, a surrogate without its pair, nothing after
// the '+') is kept as the bytes written, so that no text is lost or turned
// into other characters. Empty when a byte is not 7-bit: such text is no
// UTF-7 at all.
std::optional<std::u16string> DecodeUtf7(std::string_view bytes);

}  // namespace mailvane::charset
