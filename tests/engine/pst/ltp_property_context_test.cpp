#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <vector>

#include "engine/pst/property_context.h"
#include "tests/support/pst_image/pst_ltp_image.h"

namespace mailvane::testing {
namespace {

using pst::PropertyContextBuilder;

constexpr std::uint32_t kMessageNid = 0x200024;

std::vector<std::uint8_t> Bytes(std::size_t size, std::uint8_t seed) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(seed + i * 7);
    return bytes;
}

// The properties as the checker reads them back, with no defect.
PstProperties ReadBack(const pst::NodeContent& content) {
    PstLtpImage image;
    image.AddNode(kMessageNid, content);
    std::vector<PstDefect> defects;
    const PstLtp ltp = image.Check(defects);
    EXPECT_TRUE(defects.empty()) << DefectLines(defects);
    const auto found = ltp.properties.find(kMessageNid);
    return found == ltp.properties.end() ? PstProperties{} : found->second;
}

void ExpectReadBack(const std::map<std::uint32_t, std::vector<std::uint8_t>>& set, const PstProperties& read) {
    EXPECT_EQ(read.size(), set.size());
    for (const auto& [tag, bytes] : set) {
        const auto found = read.find(static_cast<std::uint16_t>(tag >> 16));
        ASSERT_NE(found, read.end()) << std::hex << tag;
        EXPECT_EQ(found->second.type, tag & 0xFFFF) << std::hex << tag;
        EXPECT_EQ(found->second.bytes, bytes) << std::hex << tag;
    }
}

// A multi-valued variable value: ulCount, rgulDataOffsets, the items.
std::vector<std::uint8_t> MultiValued(const std::vector<std::vector<std::uint8_t>>& items) {
    std::vector<std::uint8_t> value;
    const auto put = [&](std::uint32_t v) {
        for (int b = 0; b < 4; ++b) value.push_back(static_cast<std::uint8_t>(v >> (8 * b)));
    };
    put(static_cast<std::uint32_t>(items.size()));
    std::uint32_t at = 4 + 4 * static_cast<std::uint32_t>(items.size());
    for (const auto& item : items) {
        put(at);
        at += static_cast<std::uint32_t>(item.size());
    }
    for (const auto& item : items) value.insert(value.end(), item.begin(), item.end());
    return value;
}

TEST(LtpPropertyContext, EveryPropertyTypeReadsBackAsSet) {
    const std::map<std::uint32_t, std::vector<std::uint8_t>> set = {
        {0x10000002, {0x34, 0x12}},        // Integer16
        {0x10010003, {1, 2, 3, 4}},        // Integer32
        {0x10020004, {0, 0, 0x80, 0x3F}},  // Floating32
        {0x10030005, Bytes(8, 1)},         // Floating64
        {0x10040006, Bytes(8, 2)},         // Currency
        {0x10050007, Bytes(8, 3)},         // FloatingTime
        {0x1006000A, {5, 0, 4, 0x80}},     // ErrorCode
        {0x1007000B, {1}},                 // Boolean
        {0x10080014, Bytes(8, 4)},         // Integer64
        {0x1009001F, {'H', 0, 'i', 0}},    // String
        {0x100A001E, {'a', 'b', 'c'}},     // String8
        {0x100B0040, Bytes(8, 5)},         // Time
        {0x100C0048, Bytes(16, 6)},        // Guid
        {0x100D0102, Bytes(33, 7)},        // Binary
        {0x100E1002, Bytes(6, 8)},         // MultipleInteger16
        {0x100F1003, Bytes(12, 9)},        // MultipleInteger32
        {0x10101014, Bytes(24, 10)},       // MultipleInteger64
        {0x10111040, Bytes(16, 11)},       // MultipleTime
        {0x10121048, Bytes(32, 12)},       // MultipleGuid
        {0x1013101F, MultiValued({{'x', 0}, {}, {'y', 0, 'z', 0}})},
        {0x10141102, MultiValued({Bytes(3, 1), Bytes(5000, 2)})},
        {0x1015001F, {}},  // an empty string: HNID 0
        {0x1016000B, {0}},
    };
    PropertyContextBuilder pc;
    for (const auto& [tag, bytes] : set) pc.Set(tag, bytes);
    pst::LocalIds ids;
    const auto content = pc.Build(ids);
    // Only the 5,000-byte binary inside the multi-valued one is past a heap item.
    ASSERT_EQ(content.subnodes.size(), 1u);
    EXPECT_EQ(content.subnodes[0].nid & 0x1F, 0x1Fu);
    ExpectReadBack(set, ReadBack(content));
}

TEST(LtpPropertyContext, AnObjectNamesTheSubnodeTheCallerAdds) {
    // [MS-PST] 2.3.3.5: the heap keeps {Nid, ulSize}; the subnode holds the object.
    const std::uint32_t embedded = 0x200044;
    const std::vector<std::uint8_t> object = {0x44, 0x00, 0x20, 0x00, 0x10, 0x00, 0x00, 0x00};
    PropertyContextBuilder pc;
    pc.Set(0x3701000D, object);
    pc.Set(0x37050003, {5, 0, 0, 0});
    pst::LocalIds ids;
    auto content = pc.Build(ids);
    EXPECT_TRUE(content.subnodes.empty());
    PropertyContextBuilder inner;
    inner.Set(0x001A001F, {'I', 0, 'P', 0, 'M', 0});
    pst::LocalIds innerIds;
    content.subnodes.push_back({embedded, inner.Build(innerIds)});
    ExpectReadBack({{0x3701000D, object}, {0x37050003, {5, 0, 0, 0}}}, ReadBack(content));
}

TEST(LtpPropertyContext, ValuesPastAHeapItemGoToSubnodes) {
    PropertyContextBuilder pc;
    pc.Set(0x1000001F, Bytes(3580, 1));
    pst::LocalIds ids;
    auto content = pc.Build(ids);
    EXPECT_TRUE(content.subnodes.empty());
    ExpectReadBack({{0x1000001F, Bytes(3580, 1)}}, ReadBack(content));

    pc.Set(0x10000102, Bytes(3581, 2));
    content = pc.Build(ids);
    ASSERT_EQ(content.subnodes.size(), 1u);
    EXPECT_EQ(content.subnodes[0].content.blocks.size(), 1u);
    ExpectReadBack({{0x10000102, Bytes(3581, 2)}}, ReadBack(content));

    // 100 KB: thirteen blocks, twelve of them full.
    const auto large = Bytes(100 * 1024, 3);
    pc.Set(0x1000001F, large);
    content = pc.Build(ids);
    ASSERT_EQ(content.subnodes.size(), 1u);
    const auto& blocks = content.subnodes[0].content.blocks;
    ASSERT_EQ(blocks.size(), 13u);
    for (std::size_t i = 0; i + 1 < blocks.size(); ++i) EXPECT_EQ(blocks[i].size(), pst::kMaxBlockData);
    ExpectReadBack({{0x1000001F, large}}, ReadBack(content));
}

TEST(LtpPropertyContext, AnotherTypeUnderTheSameIdReplacesTheValue) {
    PropertyContextBuilder pc;
    pc.Set(0x30010003, {1, 0, 0, 0});
    pc.Set(0x3001001F, {'A', 0});
    EXPECT_FALSE(pc.Has(0x30010003));
    pst::LocalIds ids;
    ExpectReadBack({{0x3001001F, {'A', 0}}}, ReadBack(pc.Build(ids)));
}

TEST(LtpPropertyContext, AFixedSizeValueIsKeptInItsTypesSize) {
    PropertyContextBuilder pc;
    pc.Set(0x10000003, {1, 2, 3, 4, 5, 6});
    pc.Set(0x10010014, {9});
    pc.Set(0x10020048, {});
    pst::LocalIds ids;
    ExpectReadBack({{0x10000003, {1, 2, 3, 4}},
                    {0x10010014, {9, 0, 0, 0, 0, 0, 0, 0}},
                    {0x10020048, std::vector<std::uint8_t>(16, 0)}},
                   ReadBack(pc.Build(ids)));
}

TEST(LtpPropertyContext, ManyPropertiesMakeAnIndexedTree) {
    // 1,000 records of 8 bytes: three leaves under an index.
    std::map<std::uint32_t, std::vector<std::uint8_t>> set;
    PropertyContextBuilder pc;
    for (std::uint32_t id = 0; id < 1000; ++id) {
        const std::uint32_t tag = (0x8000 + id) << 16 | (id % 2 ? 0x0003 : 0x0102);
        set[tag] = id % 2 ? std::vector<std::uint8_t>{1, 2, 3, 4} : Bytes(id % 50 + 1, static_cast<std::uint8_t>(id));
        pc.Set(tag, set[tag]);
    }
    pst::LocalIds ids;
    const auto content = pc.Build(ids);
    EXPECT_GT(content.blocks.size(), 1u);
    ExpectReadBack(set, ReadBack(content));
}

TEST(LtpPropertyContext, AnEmptyContextIsAHeapWithAnEmptyTree) {
    PropertyContextBuilder pc;
    pst::LocalIds ids;
    const auto content = pc.Build(ids);
    ASSERT_EQ(content.blocks.size(), 1u);
    EXPECT_TRUE(ReadBack(content).empty());
}

}  // namespace
}  // namespace mailvane::testing
