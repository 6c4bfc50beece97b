#pragma once

#include <cstdint>
#include <span>

namespace mailvane::io {

// The CRC-32 of the reflected 0xEDB88320 polynomial as compressed RTF and
// the named-property string ids of message files use it: started at `crc`
// (zero for a fresh checksum) and never inverted, unlike zip's. Feeding
// the bytes in pieces, each with the previous result, gives the same value.
std::uint32_t Crc32Uninverted(std::span<const std::uint8_t> bytes, std::uint32_t crc = 0);

}  // namespace mailvane::io
