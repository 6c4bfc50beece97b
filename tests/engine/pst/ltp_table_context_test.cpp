#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "engine/pst/table_context.h"
#include "engine/pst/table_layout.h"
#include "tests/support/pst/pst_file.h"
#include "tests/support/pst_image/pst_ltp_image.h"

namespace mailvane::testing {
namespace {

using pst::TableCell;
using pst::TableContextBuilder;

constexpr std::uint32_t kContentsTableNid = 0x802E;

constexpr std::uint32_t kSubject = 0x0037001F;
constexpr std::uint32_t kFlags = 0x0E070003;
constexpr std::uint32_t kTime = 0x0E060040;
constexpr std::uint32_t kImportance = 0x00170003;
constexpr std::uint32_t kShort = 0x10000002;
constexpr std::uint32_t kRead = 0x0E69000B;
constexpr std::uint32_t kBinary = 0x00710102;

std::vector<std::uint8_t> Bytes(std::size_t size, std::uint8_t seed) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(seed + i * 3);
    return bytes;
}

std::vector<std::uint8_t> U32(std::uint32_t v) {
    return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v >> 16),
            static_cast<std::uint8_t>(v >> 24)};
}

PstTable ReadBack(const pst::NodeContent& content) {
    PstLtpImage image;
    image.AddNode(kContentsTableNid, content);
    std::vector<PstDefect> defects;
    const PstLtp ltp = image.Check(defects);
    EXPECT_TRUE(defects.empty()) << DefectLines(defects);
    const auto found = ltp.tables.find(kContentsTableNid);
    EXPECT_NE(found, ltp.tables.end());
    return found == ltp.tables.end() ? PstTable{} : found->second;
}

// TCINFO, read from the built heap (the root item).
std::vector<std::uint8_t> TcInfo(const pst::NodeContent& content) {
    const auto& block = content.blocks.at(0);
    const std::uint16_t ibHnpm = PstGet16(block, 0);
    const std::uint32_t root = PstGet32(block, 4);
    const std::size_t index = (root >> 5) & 0x7FF;
    return {block.begin() + PstGet16(block, ibHnpm + 2 + 2 * index),
            block.begin() + PstGet16(block, ibHnpm + 4 + 2 * index)};
}

const std::vector<std::uint32_t> kColumns = {kSubject, kFlags, kTime, kImportance, kShort, kRead, kBinary};

TEST(LtpTableContext, ColumnsAreLaidOutBySizeInTheOrderGiven) {
    const auto layout = pst::LayOutColumns(kColumns);
    ASSERT_EQ(layout.columns.size(), 9u);
    // Row id, version, then 4- and 8-byte cells without alignment.
    const std::vector<std::pair<std::uint32_t, std::uint16_t>> expected = {{pst::kPidTagLtpRowId, 0},
                                                                           {pst::kPidTagLtpRowVer, 4},
                                                                           {kSubject, 8},
                                                                           {kFlags, 12},
                                                                           {kTime, 16},
                                                                           {kImportance, 24},
                                                                           {kShort, 32},
                                                                           {kRead, 34},
                                                                           {kBinary, 28}};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(layout.columns[i].tag, expected[i].first) << i;
        EXPECT_EQ(layout.columns[i].ibData, expected[i].second) << i;
        EXPECT_EQ(layout.columns[i].iBit, i);
    }
    EXPECT_EQ(layout.rgib[0], 32);
    EXPECT_EQ(layout.rgib[1], 34);
    EXPECT_EQ(layout.rgib[2], 35);
    EXPECT_EQ(layout.rgib[3], 37);  // two bytes of bitmap for nine columns
}

TEST(LtpTableContext, AnEmptyTableHasARowIndexWithoutRootAndNoRows) {
    TableContextBuilder table(kColumns);
    pst::LocalIds ids;
    const auto content = table.Build(ids);
    EXPECT_TRUE(content.subnodes.empty());
    const auto info = TcInfo(content);
    EXPECT_EQ(info[0], 0x7C);
    EXPECT_EQ(info[1], 9);
    EXPECT_EQ(PstGet32(info, 10), 0x20u);  // the row index header, first in the heap
    EXPECT_EQ(PstGet32(info, 14), 0u);
    EXPECT_EQ(PstGet32(info, 18), 0u);
    const auto read = ReadBack(content);
    EXPECT_TRUE(read.rows.empty());
    // TCOLDESC sorted by tag.
    ASSERT_EQ(read.columns.size(), 9u);
    for (std::size_t i = 1; i < read.columns.size(); ++i) EXPECT_LT(read.columns[i - 1].tag, read.columns[i].tag);
}

TEST(LtpTableContext, OneRowReadsBackWithItsCellsAndBitmap) {
    TableContextBuilder table(kColumns);
    const std::vector<TableCell> cells = {
        {kSubject, {'S', 0, 'u', 0}}, {kFlags, U32(0x11)}, {kTime, Bytes(8, 1)}, {kShort, {7, 0}}, {kRead, {1}},
        {0x12340003, U32(9)}};
    table.AddRow(0x200024, cells);
    EXPECT_EQ(table.RowCount(), 1u);
    pst::LocalIds ids;
    const auto content = table.Build(ids);
    // The row matrix in the heap: TCINFO's hnidRows is a HID.
    EXPECT_EQ(PstGet32(TcInfo(content), 14) & 0x1F, 0u);
    const auto read = ReadBack(content);
    ASSERT_EQ(read.rows.size(), 1u);
    const auto& row = read.rows[0];
    EXPECT_EQ(row.rowId, 0x200024u);
    // Importance and the binary are absent; the column the table lacks is dropped.
    EXPECT_EQ(row.cells.size(), 7u);
    EXPECT_EQ(row.cells.count(kImportance), 0u);
    EXPECT_EQ(row.cells.count(kBinary), 0u);
    EXPECT_EQ(row.cells.at(pst::kPidTagLtpRowId).bytes, U32(0x200024));
    EXPECT_EQ(row.cells.at(pst::kPidTagLtpRowVer).bytes, U32(0));
    EXPECT_EQ(row.cells.at(kSubject).bytes, (std::vector<std::uint8_t>{'S', 0, 'u', 0}));
    EXPECT_EQ(row.cells.at(kFlags).bytes, U32(0x11));
    EXPECT_EQ(row.cells.at(kTime).bytes, Bytes(8, 1));
    EXPECT_EQ(row.cells.at(kShort).bytes, (std::vector<std::uint8_t>{7, 0}));
    EXPECT_EQ(row.cells.at(kRead).bytes, std::vector<std::uint8_t>{1});
}

TEST(LtpTableContext, ARowAddedAgainReplacesTheFirst) {
    TableContextBuilder table(kColumns);
    const std::vector<TableCell> first = {{kFlags, U32(1)}};
    const std::vector<TableCell> second = {{kFlags, U32(2)}};
    table.AddRow(5, first);
    table.AddRow(6, first);
    table.AddRow(5, second);
    EXPECT_EQ(table.RowCount(), 2u);
    pst::LocalIds ids;
    const auto read = ReadBack(table.Build(ids));
    ASSERT_EQ(read.rows.size(), 2u);
    EXPECT_EQ(read.rows[0].rowId, 5u);
    EXPECT_EQ(read.rows[0].cells.at(kFlags).bytes, U32(2));
}

TEST(LtpTableContext, TenThousandRowsGoToASubnodeOfWholeRowsPerBlock) {
    TableContextBuilder table(kColumns);
    const std::size_t count = 10000;
    for (std::uint32_t i = 0; i < count; ++i) {
        std::vector<TableCell> cells = {{kFlags, U32(i)}};
        if (i % 3 == 0) cells.push_back({kSubject, Bytes(2 * (i % 40), static_cast<std::uint8_t>(i))});
        if (i % 1000 == 1) cells.push_back({kBinary, Bytes(5000 + i, static_cast<std::uint8_t>(i))});
        if (i % 2 == 0) cells.push_back({kRead, {1}});
        // Row ids not in row order, so that the index sorts them.
        table.AddRow(0x200004 + ((i * 7919) % count) * 32, cells);
    }
    pst::LocalIds ids;
    const auto content = table.Build(ids);
    const std::uint32_t hnidRows = PstGet32(TcInfo(content), 14);
    EXPECT_EQ(hnidRows & 0x1F, 0x1Fu);
    const auto matrix = std::find_if(content.subnodes.begin(), content.subnodes.end(),
                                     [&](const pst::Subnode& s) { return s.nid == hnidRows; });
    ASSERT_NE(matrix, content.subnodes.end());
    // 37-byte rows: 220 a block, 46 blocks.
    ASSERT_EQ(matrix->content.blocks.size(), 46u);
    EXPECT_EQ(matrix->content.blocks[0].size(), pst::kMaxBlockData);
    EXPECT_EQ(matrix->content.blocks.back().size(), (count - 45 * 220) * 37);
    // Ten binaries past a heap item, each its own subnode.
    EXPECT_EQ(content.subnodes.size(), 11u);

    const auto read = ReadBack(content);
    ASSERT_EQ(read.rows.size(), count);
    for (std::uint32_t i = 0; i < count; ++i) {
        const auto& row = read.rows[i];
        ASSERT_EQ(row.rowId, 0x200004 + ((i * 7919) % count) * 32) << i;
        EXPECT_EQ(row.cells.at(kFlags).bytes, U32(i));
        EXPECT_EQ(row.cells.count(kSubject), i % 3 == 0 ? 1u : 0u) << i;
        if (i % 3 == 0) {
            EXPECT_EQ(row.cells.at(kSubject).bytes, Bytes(2 * (i % 40), static_cast<std::uint8_t>(i)));
        }
        if (i % 1000 == 1) {
            EXPECT_EQ(row.cells.at(kBinary).bytes, Bytes(5000 + i, static_cast<std::uint8_t>(i)));
        }
        EXPECT_EQ(row.cells.count(kRead), i % 2 == 0 ? 1u : 0u) << i;
        EXPECT_EQ(row.cells.count(kImportance), 0u);
    }
}

TEST(LtpTableContext, ARowMatrixPastAHeapItemGoesToASubnode) {
    // 37-byte rows: 96 of them (3,552 bytes) fit a heap item, 97 do not.
    for (const std::uint32_t count : {96u, 97u}) {
        TableContextBuilder table(kColumns);
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::vector<TableCell> cells = {{kFlags, U32(i)}};
            table.AddRow(i, cells);
        }
        pst::LocalIds ids;
        const auto content = table.Build(ids);
        EXPECT_EQ(PstGet32(TcInfo(content), 14) & 0x1F, count == 96 ? 0u : 0x1Fu) << count;
        EXPECT_EQ(content.subnodes.size(), count == 96 ? 0u : 1u) << count;
        const auto read = ReadBack(content);
        ASSERT_EQ(read.rows.size(), count);
        EXPECT_EQ(read.rows.back().cells.at(kFlags).bytes, U32(count - 1));
    }
}

TEST(LtpTableContext, TheBitmapMarksExactlyTheCellsPresent) {
    TableContextBuilder table(kColumns);
    const std::vector<TableCell> cells = {{kBinary, {}}, {kShort, {1, 0}}};
    table.AddRow(1, cells);
    pst::LocalIds ids;
    const auto content = table.Build(ids);
    const std::uint32_t rows = PstGet32(TcInfo(content), 14);
    const auto& block = content.blocks.at(0);
    const std::uint16_t ibHnpm = PstGet16(block, 0);
    const std::size_t index = (rows >> 5) & 0x7FF;
    const std::size_t at = PstGet16(block, ibHnpm + 2 + 2 * index);
    // Bits 0 (row id), 1 (version), 6 (the 2-byte cell) and 8 (the binary),
    // most significant bit first.
    EXPECT_EQ(block[at + 35], 0xC2);
    EXPECT_EQ(block[at + 36], 0x80);
    // The empty binary is present with HNID 0.
    EXPECT_EQ(PstGet32(block, at + 28), 0u);
    const auto read = ReadBack(content);
    ASSERT_EQ(read.rows.size(), 1u);
    EXPECT_TRUE(read.rows[0].cells.at(kBinary).bytes.empty());
}

TEST(LtpTableContext, AFixedSizeCellIsKeptInItsTypesSize) {
    constexpr std::uint32_t kGuid = 0x10000048;
    TableContextBuilder table({kFlags, kTime, kGuid});
    const std::vector<TableCell> cells = {{kFlags, {1, 2, 3, 4, 5}}, {kTime, {7}}, {kGuid, {1, 2}}};
    table.AddRow(1, cells);
    pst::LocalIds ids;
    const auto read = ReadBack(table.Build(ids));
    ASSERT_EQ(read.rows.size(), 1u);
    EXPECT_EQ(read.rows[0].cells.at(kFlags).bytes, (std::vector<std::uint8_t>{1, 2, 3, 4}));
    EXPECT_EQ(read.rows[0].cells.at(kTime).bytes, (std::vector<std::uint8_t>{7, 0, 0, 0, 0, 0, 0, 0}));
    std::vector<std::uint8_t> guid(16, 0);
    guid[0] = 1;
    guid[1] = 2;
    EXPECT_EQ(read.rows[0].cells.at(kGuid).bytes, guid);
}

TEST(LtpTableContext, MoreThan255ColumnsBuildNothing) {
    std::vector<std::uint32_t> columns;
    // With the row id and version, 255 columns: the most cCols holds.
    for (std::uint32_t i = 0; i < 253; ++i) columns.push_back((0x8000 + i) << 16 | 0x0003);
    pst::LocalIds ids;
    EXPECT_FALSE(TableContextBuilder(columns).Build(ids).blocks.empty());
    columns.push_back(0x90000003);
    EXPECT_TRUE(TableContextBuilder(columns).Build(ids).blocks.empty());
}

}  // namespace
}  // namespace mailvane::testing
