#pragma once

#include <cstddef>
#include <string_view>

namespace mailvane::filing {

// The length of the valid UTF-8 sequence that starts at `text[at]` (1 for
// ASCII), or 0 when the bytes there are no valid sequence: a stray
// continuation byte, a cut sequence, an overlong form, a surrogate, or a
// value past U+10FFFF.
std::size_t Utf8SequenceLength(std::string_view text, std::size_t at);

// The character of the valid sequence of `length` bytes at `text[at]`.
char32_t Utf8CodePoint(std::string_view text, std::size_t at, std::size_t length);

// Characters that a name must not hold although they are valid text,
// because they are invisible or change how the text around them is shown:
// the C1 controls (U+0080-U+009F: U+009B starts a terminal's escape
// sequence, U+0085 ends a line), the marks and embeddings, overrides and
// isolates of bidirectional text (U+061C, U+200E-U+200F, U+202A-U+202E,
// U+2066-U+2069: "invoice<U+202E>gpj.exe" shows as "invoiceexe.jpg"), the
// line and paragraph separators (U+2028, U+2029), and the invisible zero
// width space and byte-order mark (U+200B, U+FEFF). The joiners U+200C and
// U+200D stay: scripts and emoji need them, and they move nothing.
bool IsHiddenOrReordering(char32_t c);

}  // namespace mailvane::filing
