#include "engine/pst/store_header.h"

#include <algorithm>
#include <span>

#include "engine/io/little_endian.h"
#include "engine/pst/pst_crc.h"

namespace mailvane::pst {

namespace {

// Offsets of the Unicode HEADER ([MS-PST] 2.2.2.6) and its ROOT (2.2.2.5).
constexpr std::size_t kDwMagic = 0;
constexpr std::size_t kDwCrcPartial = 4;
constexpr std::size_t kWMagicClient = 8;
constexpr std::size_t kWVer = 10;
constexpr std::size_t kWVerClient = 12;
constexpr std::size_t kBPlatformCreate = 14;
constexpr std::size_t kBPlatformAccess = 15;
constexpr std::size_t kBidNextP = 32;
constexpr std::size_t kDwUnique = 40;
constexpr std::size_t kRgnid = 44;
constexpr std::size_t kIbFileEof = 184;
constexpr std::size_t kIbAMapLast = 192;
constexpr std::size_t kCbAMapFree = 200;
constexpr std::size_t kCbPMapFree = 208;
constexpr std::size_t kBrefNbt = 216;
constexpr std::size_t kBrefBbt = 232;
constexpr std::size_t kFAMapValid = 248;
constexpr std::size_t kRgbFM = 256;
constexpr std::size_t kRgbFMAndFPSize = 256;
constexpr std::size_t kBSentinel = 512;
constexpr std::size_t kBCryptMethod = 513;
constexpr std::size_t kBidNextB = 516;
constexpr std::size_t kDwCrcFull = 524;
constexpr std::size_t kCrcPartialSize = 471;
constexpr std::size_t kCrcFullSize = 516;

constexpr std::uint32_t kMagic = 0x4E444221;    // "!BDN"
constexpr std::uint16_t kMagicClient = 0x4D53;  // "SM"
constexpr std::uint16_t kVersionUnicode = 23;
constexpr std::uint16_t kClientVersion = 19;
constexpr std::uint8_t kAMapValid2 = 0x02;
constexpr std::uint8_t kSentinel = 0x80;

}  // namespace

std::array<std::uint32_t, 32> InitialNidCounters() {
    std::array<std::uint32_t, 32> counters;
    counters.fill(0x400);
    counters[0x03] = 0x4000;
    counters[0x04] = 0x10000;
    counters[0x08] = 0x8000;
    return counters;
}

std::array<std::uint8_t, kHeaderSize> BuildStoreHeader(const StoreHeaderFields& fields) {
    std::array<std::uint8_t, kHeaderSize> h{};
    std::uint8_t* p = h.data();
    io::PutU32(p + kDwMagic, kMagic);
    io::PutU16(p + kWMagicClient, kMagicClient);
    io::PutU16(p + kWVer, kVersionUnicode);
    io::PutU16(p + kWVerClient, kClientVersion);
    p[kBPlatformCreate] = 0x01;
    p[kBPlatformAccess] = 0x01;
    io::PutU64(p + kBidNextP, fields.bidNextP);
    io::PutU32(p + kDwUnique, fields.dwUnique);
    for (std::size_t i = 0; i < fields.rgnid.size(); ++i) io::PutU32(p + kRgnid + 4 * i, fields.rgnid[i]);
    io::PutU64(p + kIbFileEof, fields.ibFileEof);
    io::PutU64(p + kIbAMapLast, fields.ibAMapLast);
    io::PutU64(p + kCbAMapFree, fields.cbAMapFree);
    io::PutU64(p + kCbPMapFree, 0);
    io::PutU64(p + kBrefNbt, fields.nbt.bid);
    io::PutU64(p + kBrefNbt + 8, fields.nbt.ib);
    io::PutU64(p + kBrefBbt, fields.bbt.bid);
    io::PutU64(p + kBrefBbt + 8, fields.bbt.ib);
    p[kFAMapValid] = kAMapValid2;
    std::fill_n(p + kRgbFM, kRgbFMAndFPSize, std::uint8_t{0xFF});
    p[kBSentinel] = kSentinel;
    p[kBCryptMethod] = kCryptPermute;
    io::PutU64(p + kBidNextB, fields.bidNextB);
    io::PutU32(p + kDwCrcPartial, PstCrc(std::span<const std::uint8_t>(p + 8, kCrcPartialSize)));
    io::PutU32(p + kDwCrcFull, PstCrc(std::span<const std::uint8_t>(p + 8, kCrcFullSize)));
    return h;
}

}  // namespace mailvane::pst
