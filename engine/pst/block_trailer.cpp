#include "engine/pst/block_trailer.h"

#include <algorithm>

#include "engine/io/little_endian.h"
#include "engine/pst/pst_crc.h"

namespace mailvane::pst {

void LayOutBlock(std::span<std::uint8_t> allocation, std::span<const std::uint8_t> stored, std::uint64_t ib,
                 std::uint64_t bid) {
    std::copy(stored.begin(), stored.end(), allocation.begin());
    std::uint8_t* trailer = allocation.data() + allocation.size() - kBlockTrailerSize;
    io::PutU16(trailer, static_cast<std::uint16_t>(stored.size()));
    io::PutU16(trailer + 2, PstSignature(ib, bid));
    io::PutU32(trailer + 4, PstCrc(stored));
    io::PutU64(trailer + 8, bid);
}

}  // namespace mailvane::pst
