#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "engine/pst/pst_ids.h"

namespace mailvane::pst {

// Client signatures of a heap-on-node ([MS-PST] 2.3.1.2).
inline constexpr std::uint8_t kClientTableContext = 0x7C;
inline constexpr std::uint8_t kClientBTreeOnHeap = 0xB5;
inline constexpr std::uint8_t kClientPropertyContext = 0xBC;

// A heap-on-node ([MS-PST] 2.3.1) built in memory: items are appended to
// the last block while it has room and start a new block when it has not,
// so no item spans blocks and every block but the last is as full as its
// items allow. Nothing is ever freed, so every page map's cFree is 0. Each
// item costs its bytes plus 2 of bookkeeping until Build: a block keeps its
// items one after another, as it stores them, with where each ends.
class HeapOnNodeBuilder {
public:
    explicit HeapOnNodeBuilder(std::uint8_t clientSignature);

    // A new item holding `bytes` (1 to kMaxHeapItem of them); 0 when the
    // item is empty or too large, or the heap has run out of blocks, and
    // the heap is failed from then on.
    Hid Allocate(std::span<const std::uint8_t> bytes);
    // Gives an item new bytes, for a record that names items allocated
    // after it. False (and the heap failed) when `hid` is not an item or
    // its block has no room for the new size.
    bool Replace(Hid hid, std::span<const std::uint8_t> bytes);
    void SetUserRoot(Hid hid) { m_userRoot = hid; }

    bool Failed() const { return m_failed; }
    std::size_t BlockCount() const { return m_blocks.size(); }

    // The heap's blocks: HNHDR, HNPAGEHDR or HNBITMAPHDR, the items, and
    // the page map, each block of at most kMaxBlockData bytes.
    std::vector<std::vector<std::uint8_t>> Build() const&;
    // The same from a heap that is done with: each block's items are let go
    // as the block is laid out, so that a large heap (a folder's contents
    // table) is not held twice.
    std::vector<std::vector<std::uint8_t>> Build() &&;

private:
    struct Block {
        std::vector<std::uint8_t> items;
        std::vector<std::uint16_t> ends;  // of each item, from the first's start
    };
    std::size_t BlockSize(std::size_t index, std::size_t itemBytes, std::size_t itemCount) const;
    std::uint8_t FillLevel(std::size_t index) const;
    std::vector<std::uint8_t> LayOutBlock(std::size_t index, std::size_t count,
                                          const std::vector<std::uint8_t>& levels) const;

    std::uint8_t m_clientSignature;
    Hid m_userRoot = 0;
    std::vector<Block> m_blocks;
    bool m_failed = false;
};

// The HID of item `itemIndex` (1-based) of block `blockIndex`.
constexpr Hid MakeHid(std::uint32_t blockIndex, std::uint32_t itemIndex) {
    return (blockIndex << 16) | (itemIndex << 5);
}

}  // namespace mailvane::pst
