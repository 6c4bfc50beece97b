#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "engine/pst/btree_on_heap.h"
#include "engine/pst/heap_on_node.h"
#include "tests/support/pst/pst_file.h"
#include "tests/support/pst_image/pst_ltp_image.h"

namespace mailvane::testing {
namespace {

using pst::BTreeOnHeapBuilder;
using pst::HeapOnNodeBuilder;

constexpr std::uint32_t kInternalNid = 0x401;

struct BuiltTree {
    std::vector<std::vector<std::uint8_t>> blocks;
    std::vector<std::uint8_t> header;
};

// A BTH heap of `count` records of 4-byte keys (0, 3, 6, ...) and 4-byte
// data, checked by the store checker (headers, record arrays, key order,
// index keys equal to their child's first key).
BuiltTree BuildTree(std::size_t count) {
    HeapOnNodeBuilder heap(pst::kClientBTreeOnHeap);
    BTreeOnHeapBuilder tree(heap, 4, 4);
    const pst::Hid header = tree.AllocateHeader();
    heap.SetUserRoot(header);
    tree.Reserve(count);
    std::vector<std::uint8_t> records;
    for (std::uint32_t i = 0; i < count; ++i) {
        for (const std::uint32_t value : {3 * i, ~i})
            for (int b = 0; b < 4; ++b) records.push_back(static_cast<std::uint8_t>(value >> (8 * b)));
    }
    EXPECT_TRUE(tree.Fill(records));
    BuiltTree built;
    built.blocks = heap.Build();
    const auto& block = built.blocks[0];
    const std::uint16_t ibHnpm = PstGet16(block, 0);
    const std::uint16_t first = PstGet16(block, ibHnpm + 4);
    built.header.assign(block.begin() + first, block.begin() + first + 8);

    PstLtpImage image;
    pst::NodeContent content;
    content.blocks = built.blocks;
    image.AddNode(kInternalNid, content);
    std::vector<PstDefect> defects;
    image.Check(defects);
    EXPECT_TRUE(defects.empty()) << DefectLines(defects);
    return built;
}

TEST(LtpBTreeOnHeap, AnEmptyTreeHasNoRoot) {
    const auto built = BuildTree(0);
    EXPECT_EQ(built.header, (std::vector<std::uint8_t>{0xB5, 4, 4, 0, 0, 0, 0, 0}));
}

TEST(LtpBTreeOnHeap, OneLeafHoldsUpTo447Records) {
    // The header first (0x20), then the leaf (0x40).
    const auto built = BuildTree(447);
    EXPECT_EQ(built.header, (std::vector<std::uint8_t>{0xB5, 4, 4, 0, 0x40, 0, 0, 0}));
}

TEST(LtpBTreeOnHeap, MoreRecordsMakeIndexLevels) {
    // 448 records: two leaves and an index over them.
    EXPECT_EQ(BuildTree(448).header[3], 1);
    // Past 447 x 447 records: two index levels, the heap over many blocks.
    const auto built = BuildTree(447 * 447 + 1);
    EXPECT_EQ(built.header[3], 2);
    EXPECT_GT(built.blocks.size(), 128u + 8);
}

}  // namespace
}  // namespace mailvane::testing
