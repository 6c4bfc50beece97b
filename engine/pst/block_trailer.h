#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "engine/pst/ndb_layout.h"
#include "engine/pst/pst_ids.h"

namespace mailvane::pst {

// The bytes a block of `cb` data bytes takes: data, padding and its
// 16-byte trailer, in whole 64-byte slots ([MS-PST] 2.2.2.8.2).
constexpr std::size_t BlockAllocationSize(std::size_t cb) {
    return (cb + kBlockTrailerSize + kSlotSize - 1) / kSlotSize * kSlotSize;
}
static_assert(BlockAllocationSize(kMaxBlockData) == kMaxBlockSize);
static_assert(BlockAllocationSize(236) == 256);  // [MS-PST] 2.2.2.8.2's example

// Lays out a block in `allocation` (BlockAllocationSize(stored.size())
// bytes, zeroed): its stored bytes (already encoded when it is an external
// block), zero padding, and the BLOCKTRAILER ([MS-PST] 2.2.2.8.1) with cb,
// the signature, the CRC of the stored bytes alone and the block's id.
void LayOutBlock(std::span<std::uint8_t> allocation, std::span<const std::uint8_t> stored, std::uint64_t ib,
                 std::uint64_t bid);

}  // namespace mailvane::pst
