#include "engine/pst/pst_crc.h"

#include "engine/io/crc32.h"

namespace mailvane::pst {

std::uint32_t PstCrc(std::span<const std::uint8_t> bytes) { return io::Crc32Uninverted(bytes, 0); }

std::uint16_t PstSignature(std::uint64_t ib, std::uint64_t bid) {
    const auto x = static_cast<std::uint32_t>(ib ^ bid);
    return static_cast<std::uint16_t>((x >> 16) ^ (x & 0xFFFF));
}

}  // namespace mailvane::pst
