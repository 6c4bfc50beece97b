#pragma once

#include <cstdint>
#include <span>

namespace mailvane::pst {

// NDB_CRYPT_PERMUTE ([MS-PST] 5.1), the encoding Outlook gives new stores:
// one substitution per byte, applied in place to the data of external
// blocks only (internal blocks, trailers and padding stay plain).
void PermuteEncode(std::span<std::uint8_t> bytes);
// The inverse substitution, for reading back what was written.
void PermuteDecode(std::span<std::uint8_t> bytes);

}  // namespace mailvane::pst
