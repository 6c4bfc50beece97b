#pragma once

#include <cstdint>
#include <span>

namespace mailvane::rtf {

// The CRC-32 that guards compressed RTF contents: the reflected 0xEDB88320
// polynomial, but started at zero and never inverted, unlike zip's.
std::uint32_t CompressedRtfCrc(std::span<const std::uint8_t> bytes);

}  // namespace mailvane::rtf
