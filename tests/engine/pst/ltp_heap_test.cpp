#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "engine/pst/heap_on_node.h"
#include "tests/support/pst/pst_file.h"
#include "tests/support/pst_image/pst_ltp_image.h"

namespace mailvane::testing {
namespace {

using pst::HeapOnNodeBuilder;
using pst::Hid;

// A reserved client signature: the checker reads the heap and nothing above it.
constexpr std::uint8_t kPlainHeap = 0x6C;
constexpr std::uint32_t kInternalNid = 0x401;

std::vector<std::uint8_t> Bytes(std::size_t size, std::uint8_t first) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(first + i);
    return bytes;
}

std::vector<std::uint16_t> PageMap(const std::vector<std::uint8_t>& block, std::uint16_t* cFree = nullptr) {
    const std::uint16_t ibHnpm = PstGet16(block, 0);
    const std::uint16_t cAlloc = PstGet16(block, ibHnpm);
    if (cFree) *cFree = PstGet16(block, ibHnpm + 2);
    std::vector<std::uint16_t> offsets;
    for (std::size_t i = 0; i <= cAlloc; ++i) offsets.push_back(PstGet16(block, ibHnpm + 4 + 2 * i));
    return offsets;
}

std::vector<std::uint8_t> ItemOf(const std::vector<std::vector<std::uint8_t>>& blocks, Hid hid) {
    const auto& block = blocks.at(hid >> 16);
    const auto offsets = PageMap(block);
    const std::size_t index = (hid >> 5) & 0x7FF;
    return {block.begin() + offsets.at(index - 1), block.begin() + offsets.at(index)};
}

void ExpectSoundHeap(const std::vector<std::vector<std::uint8_t>>& blocks) {
    PstLtpImage image;
    pst::NodeContent content;
    content.blocks = blocks;
    image.AddNode(kInternalNid, content);
    std::vector<PstDefect> defects;
    image.Check(defects);
    EXPECT_TRUE(defects.empty()) << DefectLines(defects);
}

TEST(LtpHeap, ItemsTakeHidsInOrderAndThePageMapIsExact) {
    HeapOnNodeBuilder heap(kPlainHeap);
    const Hid a = heap.Allocate(Bytes(10, 1));
    const Hid b = heap.Allocate(Bytes(7, 50));
    const Hid c = heap.Allocate(Bytes(20, 100));
    heap.SetUserRoot(b);
    EXPECT_EQ(a, 0x20u);
    EXPECT_EQ(b, 0x40u);
    EXPECT_EQ(c, 0x60u);
    const auto blocks = heap.Build();
    ASSERT_EQ(blocks.size(), 1u);
    const auto& block = blocks[0];
    // HNHDR: the page map on the even offset after 12 + 37 item bytes.
    EXPECT_EQ(PstGet16(block, 0), 50);
    EXPECT_EQ(block[2], 0xEC);
    EXPECT_EQ(block[3], kPlainHeap);
    EXPECT_EQ(PstGet32(block, 4), b);
    EXPECT_EQ(PstGet32(block, 8), 0u);  // one block with room: fill level 0
    std::uint16_t cFree = 99;
    EXPECT_EQ(PageMap(block, &cFree), (std::vector<std::uint16_t>{12, 22, 29, 49}));
    EXPECT_EQ(cFree, 0);
    EXPECT_EQ(block.size(), 50u + 4 + 2 * 4);
    EXPECT_EQ(ItemOf(blocks, a), Bytes(10, 1));
    EXPECT_EQ(ItemOf(blocks, b), Bytes(7, 50));
    EXPECT_EQ(ItemOf(blocks, c), Bytes(20, 100));
    ExpectSoundHeap(blocks);
}

TEST(LtpHeap, AnEmptyHeapIsOneBlockWithAnEmptyPageMap) {
    const auto blocks = HeapOnNodeBuilder(kPlainHeap).Build();
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_EQ(blocks[0].size(), 12u + 4 + 2);
    EXPECT_EQ(PageMap(blocks[0]), (std::vector<std::uint16_t>{12}));
    ExpectSoundHeap(blocks);
}

TEST(LtpHeap, AnItemThatDoesNotFitStartsTheNextBlock) {
    HeapOnNodeBuilder heap(kPlainHeap);
    const Hid a = heap.Allocate(Bytes(3000, 1));
    const Hid b = heap.Allocate(Bytes(3000, 2));
    const Hid c = heap.Allocate(Bytes(3000, 3));
    EXPECT_EQ(a, 0x20u);
    EXPECT_EQ(b, 0x40u);
    EXPECT_EQ(c, 0x10020u);
    const auto blocks = heap.Build();
    ASSERT_EQ(blocks.size(), 2u);
    // Every block but the last is stored whole, as Outlook stores it.
    EXPECT_EQ(blocks[0].size(), pst::kMaxBlockData);
    EXPECT_EQ(PageMap(blocks[0]), (std::vector<std::uint16_t>{12, 3012, 6012}));
    // HNPAGEHDR: items from offset 2.
    EXPECT_EQ(PageMap(blocks[1]), (std::vector<std::uint16_t>{2, 3002}));
    EXPECT_EQ(blocks[1].size(), 3002u + 4 + 4);
    // Block 0 has 8176 - 6022 = 2154 bytes free (level 2), block 1 5166 (level 0).
    EXPECT_EQ(PstGet32(blocks[0], 8), 0x02u);
    EXPECT_EQ(ItemOf(blocks, c), Bytes(3000, 3));
    ExpectSoundHeap(blocks);
}

TEST(LtpHeap, TheNinthBlockHoldsTheFillBitmap) {
    HeapOnNodeBuilder heap(kPlainHeap);
    std::vector<Hid> hids;
    for (int i = 0; i < 20; ++i) hids.push_back(heap.Allocate(Bytes(pst::kMaxHeapItem, static_cast<std::uint8_t>(i))));
    // Two items of 3,580 bytes a block.
    EXPECT_EQ(hids[16], 0x80020u);
    EXPECT_EQ(hids[19], 0x90040u);
    const auto blocks = heap.Build();
    ASSERT_EQ(blocks.size(), 10u);
    // HNBITMAPHDR in block 8: items from offset 66.
    EXPECT_EQ(PageMap(blocks[8]), (std::vector<std::uint16_t>{66, 66 + 3580, 66 + 7160}));
    EXPECT_EQ(PageMap(blocks[9]), (std::vector<std::uint16_t>{2, 2 + 3580, 2 + 7160}));
    // 994 to 1,004 bytes free in each: level 7, in HNHDR for blocks 0-7
    // and in the bitmap for blocks 8 and 9 (low nibble first).
    EXPECT_EQ(PstGet32(blocks[0], 8), 0x77777777u);
    EXPECT_EQ(blocks[8][2], 0x77);
    for (std::size_t i = 3; i < 66; ++i) EXPECT_EQ(blocks[8][i], 0) << i;
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(ItemOf(blocks, hids[i]), Bytes(pst::kMaxHeapItem, static_cast<std::uint8_t>(i)));
    ExpectSoundHeap(blocks);
}

TEST(LtpHeap, ReplaceKeepsEveryHidAndMovesTheItemsAfter) {
    HeapOnNodeBuilder heap(kPlainHeap);
    const Hid root = heap.Allocate(Bytes(8, 0));
    const Hid child = heap.Allocate(Bytes(5, 40));
    ASSERT_TRUE(heap.Replace(root, Bytes(12, 7)));
    const auto blocks = heap.Build();
    EXPECT_EQ(ItemOf(blocks, root), Bytes(12, 7));
    EXPECT_EQ(ItemOf(blocks, child), Bytes(5, 40));
    EXPECT_EQ(PageMap(blocks[0]), (std::vector<std::uint16_t>{12, 24, 29}));
    EXPECT_FALSE(heap.Failed());
    ExpectSoundHeap(blocks);
}

TEST(LtpHeap, RefusalsFailTheHeap) {
    {
        HeapOnNodeBuilder heap(kPlainHeap);
        EXPECT_EQ(heap.Allocate({}), 0u);
        EXPECT_TRUE(heap.Failed());
    }
    {
        HeapOnNodeBuilder heap(kPlainHeap);
        EXPECT_EQ(heap.Allocate(Bytes(pst::kMaxHeapItem + 1, 0)), 0u);
        EXPECT_TRUE(heap.Failed());
    }
    {
        HeapOnNodeBuilder heap(kPlainHeap);
        heap.Allocate(Bytes(10, 0));
        EXPECT_FALSE(heap.Replace(0x40, Bytes(4, 0)));  // no second item
        EXPECT_TRUE(heap.Failed());
    }
    {
        // 12 + 3,580 + 3,580 + 900 item bytes and a 12-byte map: 8,084 of
        // 8,176; the last item cannot grow to 3,580 in its block.
        HeapOnNodeBuilder heap(kPlainHeap);
        const Hid a = heap.Allocate(Bytes(pst::kMaxHeapItem, 0));
        heap.Allocate(Bytes(pst::kMaxHeapItem, 0));
        const Hid last = heap.Allocate(Bytes(900, 0));
        EXPECT_EQ(heap.BlockCount(), 1u);
        EXPECT_TRUE(heap.Replace(a, Bytes(pst::kMaxHeapItem, 1)));
        EXPECT_FALSE(heap.Replace(last, Bytes(pst::kMaxHeapItem, 1)));
        EXPECT_TRUE(heap.Failed());
    }
}

}  // namespace
}  // namespace mailvane::testing
