#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace mailvane::testing {

// The RTF held by a PidTagRtfCompressed value, "LZFu" or uncompressed
// "MELA". Empty when the header is inconsistent, the LZFu CRC does not
// match, a reference runs past the declared size, or the stream ends early.
// Only tests and the fuzzer read compressed RTF; the engine only writes it.
std::optional<std::string> DecompressRtf(std::span<const std::uint8_t> data);

}  // namespace mailvane::testing
