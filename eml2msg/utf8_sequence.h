#pragma once

#include <cstddef>
#include <string_view>

namespace mailvane::cli {

// The length of the valid UTF-8 sequence that starts at `text[at]` (1 for
// ASCII), or 0 when the bytes there are no valid sequence: a stray
// continuation byte, a cut sequence, an overlong form, a surrogate, or a
// value past U+10FFFF.
std::size_t Utf8SequenceLength(std::string_view text, std::size_t at);

}  // namespace mailvane::cli
