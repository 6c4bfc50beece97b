#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <vector>

#include "engine/pst/property_context.h"
#include "engine/pst/table_context.h"
#include "tests/support/corpus_files.h"
#include "tests/support/pst/pst_file.h"
#include "tests/support/pst/pst_ltp_check.h"
#include "tests/support/pst/pst_ndb_check.h"
#include "tests/support/pst/pst_node_reader.h"
#include "tests/support/pst_image/pst_ltp_image.h"

namespace mailvane::testing {
namespace {

// Outlook's own empty store, read with the store checker's readers.
class OutlookEmptyStore : public ::testing::Test {
protected:
    void SetUp() override {
        m_bytes = ReadFileBytes(CorpusDir() / "pst" / "outlook-pst-rs-Empty.pst");
        if (m_bytes.empty()) GTEST_SKIP() << "no corpus of Outlook stores (set MAILVANE_CORPUS)";
        m_file.emplace(m_bytes);
        PstDefectList defects;
        m_ndb = CheckPstNdb(*m_file, defects);
        m_reader.emplace(*m_file, m_ndb);
        m_ltp = CheckPstLtp(*m_reader, m_ndb, defects);
        ASSERT_TRUE(defects.List().empty()) << DefectLines(defects.List());
    }

    std::vector<std::uint8_t> Block(std::uint32_t nid) {
        const auto blocks = m_reader->DataBlocks(m_ndb.nodes.at(nid).bidData);
        if (!blocks || blocks->size() != 1) return {};
        return {blocks->front().begin(), blocks->front().end()};
    }

    std::vector<std::uint8_t> m_bytes;
    std::optional<PstFile> m_file;
    PstNdb m_ndb;
    std::optional<PstNodeReader> m_reader;
    PstLtp m_ltp;
};

std::vector<std::uint8_t> Item(const std::vector<std::uint8_t>& block, std::uint32_t hid) {
    const std::uint16_t ibHnpm = PstGet16(block, 0);
    const std::size_t index = (hid >> 5) & 0x7FF;
    return {block.begin() + PstGet16(block, ibHnpm + 2 + 2 * index),
            block.begin() + PstGet16(block, ibHnpm + 4 + 2 * index)};
}

// Each table Outlook wrote, built again from its columns (in the order of
// their bits) and its rows (in row-matrix order): the same TCINFO and the
// same heap, byte for byte, templates and tables with rows alike.
TEST_F(OutlookEmptyStore, TablesAreLaidOutAsOutlookLaysThemOut) {
    int compared = 0;
    for (const auto& [nid, table] : m_ltp.tables) {
        const auto outlook = Block(nid);
        if (outlook.empty()) continue;
        std::vector<PstColumn> byBit = table.columns;
        std::sort(byBit.begin(), byBit.end(), [](const auto& a, const auto& b) { return a.iBit < b.iBit; });
        std::vector<std::uint32_t> tags;
        for (const auto& column : byBit) tags.push_back(column.tag);
        pst::TableContextBuilder builder(tags);
        for (const auto& row : table.rows) {
            std::vector<pst::TableCell> cells;
            for (const auto& [tag, value] : row.cells) cells.push_back({tag, value.bytes});
            builder.AddRow(row.rowId, cells);
        }
        pst::LocalIds ids;
        const auto built = builder.Build(ids);
        ASSERT_EQ(built.blocks.size(), 1u) << std::hex << nid;
        EXPECT_EQ(Item(built.blocks[0], PstGet32(built.blocks[0], 4)), Item(outlook, PstGet32(outlook, 4)))
            << "TCINFO of node " << std::hex << nid;
        EXPECT_EQ(built.blocks[0], outlook) << "node " << std::hex << nid;
        ++compared;
    }
    // The six templates, the receive folder and outgoing queue tables and
    // the tables of five folders.
    EXPECT_GE(compared, 20);
}

// The message store's PC built again from its properties: the same heap
// size, BTH header and records (keys, types and the values kept in them).
TEST_F(OutlookEmptyStore, TheStorePropertiesAreLaidOutAsOutlookLaysThemOut) {
    const auto outlook = Block(0x21);
    ASSERT_FALSE(outlook.empty());
    pst::PropertyContextBuilder builder;
    for (const auto& [id, value] : m_ltp.properties.at(0x21))
        builder.Set(std::uint32_t{id} << 16 | value.type, value.bytes);
    pst::LocalIds ids;
    const auto built = builder.Build(ids);
    ASSERT_EQ(built.blocks.size(), 1u);
    const auto& mine = built.blocks[0];
    EXPECT_EQ(mine.size(), outlook.size());
    EXPECT_EQ(std::vector<std::uint8_t>(mine.begin(), mine.begin() + 12),
              std::vector<std::uint8_t>(outlook.begin(), outlook.begin() + 12));
    const auto header = Item(mine, PstGet32(mine, 4));
    EXPECT_EQ(header, Item(outlook, PstGet32(outlook, 4)));
    const auto records = Item(mine, PstGet32(header, 4));
    const auto outlookRecords = Item(outlook, PstGet32(header, 4));
    ASSERT_EQ(records.size(), outlookRecords.size());
    for (std::size_t at = 0; at < records.size(); at += 8) {
        EXPECT_EQ(PstGet32(records, at), PstGet32(outlookRecords, at)) << at;
        const std::uint16_t type = PstGet16(records, at + 2);
        if (type == 0x0003 || type == 0x000B) {
            EXPECT_EQ(PstGet32(records, at + 4), PstGet32(outlookRecords, at + 4));
        }
    }
}

// Every table of every Outlook store in the corpus, built again from its
// columns and rows: the same cCols, rgib and column descriptors. (Where the
// row matrix and row index went may differ: Outlook moves small matrices to
// subnodes, and edited heaps keep their old allocation order.)
TEST(OutlookStores, EveryTableHasOutlooksColumnLayout) {
    std::vector<std::filesystem::path> stores;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(CorpusDir() / "pst", error)) {
        if (entry.path().extension() == ".pst") stores.push_back(entry.path());
    }
    if (stores.empty()) GTEST_SKIP() << "no corpus of Outlook stores (set MAILVANE_CORPUS)";
    std::size_t compared = 0;
    for (const auto& path : stores) {
        const auto bytes = ReadFileBytes(path);
        const PstFile file(bytes);
        PstDefectList defects;
        const PstNdb ndb = CheckPstNdb(file, defects);
        PstNodeReader reader(file, ndb);
        const PstLtp ltp = CheckPstLtp(reader, ndb, defects);
        for (const auto& [nid, table] : ltp.tables) {
            const auto blocks = reader.DataBlocks(ndb.nodes.at(nid).bidData);
            ASSERT_TRUE(blocks && !blocks->empty());
            const std::vector<std::uint8_t> first(blocks->front().begin(), blocks->front().end());
            const auto outlook = Item(first, PstGet32(first, 4));
            std::vector<PstColumn> byBit = table.columns;
            std::sort(byBit.begin(), byBit.end(), [](const auto& a, const auto& b) { return a.iBit < b.iBit; });
            std::vector<std::uint32_t> tags;
            for (const auto& column : byBit) tags.push_back(column.tag);
            pst::LocalIds ids;
            const auto built = pst::TableContextBuilder(tags).Build(ids);
            const auto mine = Item(built.blocks.at(0), PstGet32(built.blocks[0], 4));
            ASSERT_EQ(mine.size(), outlook.size()) << path.filename() << " node " << std::hex << nid;
            EXPECT_TRUE(std::equal(mine.begin(), mine.begin() + 10, outlook.begin()) &&
                        std::equal(mine.begin() + 22, mine.end(), outlook.begin() + 22))
                << path.filename() << " node " << std::hex << nid;
            ++compared;
        }
    }
    EXPECT_GT(compared, stores.size() * 20);
}

}  // namespace
}  // namespace mailvane::testing
