#pragma once

#include <cstddef>
#include <cstdint>

namespace mailvane::pst {

// Sizes and places of the node database of a Unicode store ([MS-PST]
// 2.2.2.6-2.2.2.8), shared by the files that lay out its pages and blocks.
inline constexpr std::size_t kHeaderSize = 564;
inline constexpr std::size_t kPageSize = 512;
inline constexpr std::size_t kPageDataSize = 496;  // before the 16-byte PAGETRAILER
inline constexpr std::uint64_t kDListOffset = 0x4200;
inline constexpr std::uint64_t kFirstAMapOffset = 0x4400;
inline constexpr std::size_t kSlotSize = 64;  // what one AMap bit stands for
inline constexpr std::size_t kSlotsPerAMap = kPageDataSize * 8;
inline constexpr std::uint64_t kAMapCoverage = kSlotsPerAMap * kSlotSize;  // 253,952
inline constexpr std::size_t kMaxBlockSize = 8192;
inline constexpr std::size_t kBlockTrailerSize = 16;

// ptype of a PAGETRAILER ([MS-PST] 2.2.2.7.1).
enum class PageType : std::uint8_t {
    BlockBTree = 0x80,
    NodeBTree = 0x81,
    FreeMap = 0x82,
    PageMap = 0x83,
    AllocationMap = 0x84,
    FreePageMap = 0x85,
    DensityList = 0x86,
};

// bCryptMethod NDB_CRYPT_PERMUTE ([MS-PST] 2.2.2.6).
inline constexpr std::uint8_t kCryptPermute = 0x01;

}  // namespace mailvane::pst
