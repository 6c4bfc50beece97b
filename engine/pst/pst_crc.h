#pragma once

#include <cstdint>
#include <span>

namespace mailvane::pst {

// [MS-PST] 5.3: the CRC of headers, pages and blocks. It is the reflected
// 0xEDB88320 CRC-32 started at zero and never inverted, which is what
// io::Crc32Uninverted computes; zip's CRC-32 (inverted) differs.
std::uint32_t PstCrc(std::span<const std::uint8_t> bytes);

// [MS-PST] 5.5: the signature of a block, a BTree page or the DList, made
// from where it lies and its id.
std::uint16_t PstSignature(std::uint64_t ib, std::uint64_t bid);

}  // namespace mailvane::pst
