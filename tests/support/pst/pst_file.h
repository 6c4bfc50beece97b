#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace mailvane::testing {

// Sizes and places of the Unicode format ([MS-PST] 2.2.2.7, 2.2.2.8).
inline constexpr std::uint64_t kPstHeaderSize = 564;
inline constexpr std::uint64_t kPstPageSize = 512;
inline constexpr std::uint64_t kPstPageDataSize = 496;
inline constexpr std::uint64_t kPstDListOffset = 0x4200;
inline constexpr std::uint64_t kPstFirstAMapOffset = 0x4400;
// One AMap covers 496 × 8 slots of 64 bytes, starting with itself.
inline constexpr std::uint64_t kPstAMapCoverage = 496 * 8 * 64;
inline constexpr std::uint64_t kPstSlotSize = 64;
inline constexpr std::uint64_t kPstMaxBlockSize = 8192;
inline constexpr std::uint64_t kPstBlockTrailerSize = 16;
inline constexpr std::uint64_t kPstMaxBlockData = kPstMaxBlockSize - kPstBlockTrailerSize;

// ptype values of a PAGETRAILER.
inline constexpr std::uint8_t kPtypeBbt = 0x80;
inline constexpr std::uint8_t kPtypeNbt = 0x81;
inline constexpr std::uint8_t kPtypeFMap = 0x82;
inline constexpr std::uint8_t kPtypePMap = 0x83;
inline constexpr std::uint8_t kPtypeAMap = 0x84;
inline constexpr std::uint8_t kPtypeFPMap = 0x85;
inline constexpr std::uint8_t kPtypeDList = 0x86;

struct PstBref {
    std::uint64_t bid = 0;
    std::uint64_t ib = 0;
};

// The HEADER and its ROOT, Unicode layout, field names of [MS-PST] 2.2.2.5-6.
struct PstHeader {
    std::uint32_t dwMagic = 0;
    std::uint32_t dwCRCPartial = 0;
    std::uint16_t wMagicClient = 0;
    std::uint16_t wVer = 0;
    std::uint16_t wVerClient = 0;
    std::uint8_t bPlatformCreate = 0;
    std::uint8_t bPlatformAccess = 0;
    std::uint64_t bidNextP = 0;
    std::array<std::uint32_t, 32> rgnid{};
    std::uint64_t ibFileEof = 0;
    std::uint64_t ibAMapLast = 0;
    std::uint64_t cbAMapFree = 0;
    std::uint64_t cbPMapFree = 0;
    PstBref brefNbt;
    PstBref brefBbt;
    std::uint8_t fAMapValid = 0;
    std::uint8_t bSentinel = 0;
    std::uint8_t bCryptMethod = 0;
    std::uint64_t bidNextB = 0;
    std::uint32_t dwCRCFull = 0;
    std::uint32_t computedCrcPartial = 0;
    std::uint32_t computedCrcFull = 0;
};

struct PstPageTrailer {
    std::uint8_t ptype = 0;
    std::uint8_t ptypeRepeat = 0;
    std::uint16_t wSig = 0;
    std::uint32_t dwCRC = 0;
    std::uint64_t bid = 0;
};

struct PstBlockTrailer {
    std::uint16_t cb = 0;
    std::uint16_t wSig = 0;
    std::uint32_t dwCRC = 0;
    std::uint64_t bid = 0;
};

// An XBLOCK/XXBLOCK (btype 1) or SLBLOCK/SIBLOCK (btype 2) as stored.
struct PstInternalBlock {
    std::uint8_t btype = 0;
    std::uint8_t cLevel = 0;
    std::uint16_t cEnt = 0;
    std::uint32_t lcbTotal = 0;  // XBLOCK/XXBLOCK only
    std::span<const std::uint8_t> entries;
};

inline std::uint64_t PstGet(std::span<const std::uint8_t> bytes, std::size_t offset, std::size_t size) {
    std::uint64_t value = 0;
    if (offset > bytes.size() || size > bytes.size() - offset) return 0;
    for (std::size_t i = 0; i < size; ++i) value |= std::uint64_t{bytes[offset + i]} << (8 * i);
    return value;
}
inline std::uint16_t PstGet16(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint16_t>(PstGet(b, at, 2));
}
inline std::uint32_t PstGet32(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint32_t>(PstGet(b, at, 4));
}
inline std::uint64_t PstGet64(std::span<const std::uint8_t> b, std::size_t at) { return PstGet(b, at, 8); }

// Block sizes on disk: data, trailer and padding in whole 64-byte slots.
inline std::uint64_t PstBlockAllocation(std::uint64_t cb) { return (cb + kPstBlockTrailerSize + 63) / 64 * 64; }

// The bytes of a store, read at offsets that are checked against its end.
class PstFile {
public:
    explicit PstFile(std::span<const std::uint8_t> bytes);

    std::uint64_t Size() const { return m_bytes.size(); }
    // Nullopt when the file is shorter than a header.
    const std::optional<PstHeader>& Header() const { return m_header; }

    // The 512 bytes of a page, empty when they are not all inside the file.
    std::span<const std::uint8_t> Page(std::uint64_t ib) const;
    static PstPageTrailer ReadPageTrailer(std::span<const std::uint8_t> page);

    // The allocation of a block of `cb` data bytes at `ib`, empty when it is
    // not all inside the file.
    std::span<const std::uint8_t> BlockAllocation(std::uint64_t ib, std::uint64_t cb) const;
    static PstBlockTrailer ReadBlockTrailer(std::span<const std::uint8_t> allocation);

private:
    std::span<const std::uint8_t> m_bytes;
    std::optional<PstHeader> m_header;
};

// Reads an internal block's fixed part; nullopt when the data is shorter
// than its header or its entries.
std::optional<PstInternalBlock> ReadPstInternalBlock(std::span<const std::uint8_t> data);

}  // namespace mailvane::testing
