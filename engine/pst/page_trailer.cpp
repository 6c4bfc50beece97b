#include "engine/pst/page_trailer.h"

#include "engine/io/little_endian.h"
#include "engine/pst/pst_crc.h"

namespace mailvane::pst {

void FinishPage(std::span<std::uint8_t, kPageSize> page, PageType type, std::uint64_t ib, std::uint64_t bid) {
    const bool withSignature =
        type == PageType::BlockBTree || type == PageType::NodeBTree || type == PageType::DensityList;
    std::uint8_t* trailer = page.data() + kPageDataSize;
    trailer[0] = static_cast<std::uint8_t>(type);
    trailer[1] = static_cast<std::uint8_t>(type);
    io::PutU16(trailer + 2, withSignature ? PstSignature(ib, bid) : 0);
    io::PutU32(trailer + 4, PstCrc(page.first<kPageDataSize>()));
    io::PutU64(trailer + 8, bid);
}

}  // namespace mailvane::pst
