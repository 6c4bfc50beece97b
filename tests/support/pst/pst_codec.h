#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace mailvane::testing {

// [MS-PST] 5.3: the reflected CRC-32 table with a zero seed and no final
// inversion (not zlib's crc32, which inverts both).
std::uint32_t PstCrc(std::span<const std::uint8_t> bytes);

// [MS-PST] 5.5: the signature of a block, BTree page or DList page.
std::uint16_t PstSignature(std::uint64_t ib, std::uint64_t bid);

// bCryptMethod values ([MS-PST] 2.2.2.6).
inline constexpr std::uint8_t kPstCryptNone = 0x00;
inline constexpr std::uint8_t kPstCryptPermute = 0x01;
inline constexpr std::uint8_t kPstCryptCyclic = 0x02;

// The plain bytes of an external block's stored data ([MS-PST] 5.1, 5.2).
// Internal blocks are stored plain and never pass through here.
std::vector<std::uint8_t> PstDecode(std::span<const std::uint8_t> stored, std::uint8_t cryptMethod, std::uint64_t bid);

// The stored bytes of an external block's plain data: the inverse of
// PstDecode, for tests that make damaged copies of a store.
std::vector<std::uint8_t> PstEncode(std::span<const std::uint8_t> plain, std::uint8_t cryptMethod, std::uint64_t bid);

}  // namespace mailvane::testing
