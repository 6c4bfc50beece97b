#pragma once

#include <array>
#include <cstdint>

namespace mailvane::cfb {

// Version 3 compound file geometry: 512-byte sectors, 64-byte mini sectors,
// streams below the cutoff live in the mini stream.
inline constexpr std::uint32_t kSectorSize = 512;
inline constexpr std::uint16_t kSectorShift = 9;
inline constexpr std::uint32_t kMiniSectorSize = 64;
inline constexpr std::uint16_t kMiniSectorShift = 6;
inline constexpr std::uint32_t kMiniStreamCutoff = 4096;
inline constexpr std::uint32_t kHeaderSize = 512;
inline constexpr std::uint32_t kDirectoryEntrySize = 128;
inline constexpr std::uint32_t kDirectoryEntriesPerSector = kSectorSize / kDirectoryEntrySize;
// FAT, MiniFAT and DIFAT entries are 32-bit sector numbers.
inline constexpr std::uint32_t kTableEntrySize = 4;
inline constexpr std::uint32_t kEntriesPerSector = kSectorSize / kTableEntrySize;
inline constexpr std::uint32_t kHeaderDifatEntries = 109;
// The last entry of a DIFAT sector points to the next DIFAT sector.
inline constexpr std::uint32_t kDifatEntriesPerSector = kEntriesPerSector - 1;
inline constexpr std::uint32_t kMaxNameLength = 31;  // code units, before the terminator

// A version 3 file smaller than 2 GB needs no range-lock sector; files are
// whole sectors, so the largest such file ends one sector below 2 GB.
inline constexpr std::uint64_t kMaxFileSize = 0x80000000ull - kSectorSize;

inline constexpr std::uint32_t kMaxRegularSector = 0xFFFFFFFA;
inline constexpr std::uint32_t kDifatSector = 0xFFFFFFFC;
inline constexpr std::uint32_t kFatSector = 0xFFFFFFFD;
inline constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
inline constexpr std::uint32_t kFreeSector = 0xFFFFFFFF;
inline constexpr std::uint32_t kNoStream = 0xFFFFFFFF;

inline constexpr std::array<std::uint8_t, 8> kSignature = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
inline constexpr std::uint16_t kMinorVersion = 0x003E;
inline constexpr std::uint16_t kMajorVersion3 = 0x0003;
// Written as the bytes FE FF: the file's integers are little-endian.
inline constexpr std::uint16_t kByteOrderMark = 0xFFFE;

// Header field offsets.
inline constexpr std::uint32_t kOffMinorVersion = 0x18;
inline constexpr std::uint32_t kOffMajorVersion = 0x1A;
inline constexpr std::uint32_t kOffByteOrder = 0x1C;
inline constexpr std::uint32_t kOffSectorShift = 0x1E;
inline constexpr std::uint32_t kOffMiniSectorShift = 0x20;
inline constexpr std::uint32_t kOffDirectorySectorCount = 0x28;
inline constexpr std::uint32_t kOffFatSectorCount = 0x2C;
inline constexpr std::uint32_t kOffFirstDirectorySector = 0x30;
inline constexpr std::uint32_t kOffTransactionSignature = 0x34;
inline constexpr std::uint32_t kOffMiniStreamCutoff = 0x38;
inline constexpr std::uint32_t kOffFirstMiniFatSector = 0x3C;
inline constexpr std::uint32_t kOffMiniFatSectorCount = 0x40;
inline constexpr std::uint32_t kOffFirstDifatSector = 0x44;
inline constexpr std::uint32_t kOffDifatSectorCount = 0x48;
inline constexpr std::uint32_t kOffHeaderDifat = 0x4C;

// Directory entry field offsets.
inline constexpr std::uint32_t kOffEntryName = 0;
inline constexpr std::uint32_t kOffEntryNameLength = 64;
inline constexpr std::uint32_t kOffEntryType = 66;
inline constexpr std::uint32_t kOffEntryColor = 67;
inline constexpr std::uint32_t kOffEntryLeft = 68;
inline constexpr std::uint32_t kOffEntryRight = 72;
inline constexpr std::uint32_t kOffEntryChild = 76;
inline constexpr std::uint32_t kOffEntryClsid = 80;
inline constexpr std::uint32_t kOffEntryStateBits = 96;
inline constexpr std::uint32_t kOffEntryCreationTime = 100;
inline constexpr std::uint32_t kOffEntryModifiedTime = 108;
inline constexpr std::uint32_t kOffEntryStartSector = 116;
inline constexpr std::uint32_t kOffEntryStreamSize = 120;

enum class EntryType : std::uint8_t { Unused = 0, Storage = 1, Stream = 2, Root = 5 };
enum class EntryColor : std::uint8_t { Red = 0, Black = 1 };

using Clsid = std::array<std::uint8_t, 16>;

}  // namespace mailvane::cfb
