// Stores of the node database alone, read back by the checker of
// tests/support/pst, which shares no code with the writer.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/pst/node_database.h"
#include "tests/engine/pst/ndb_sample_nodes.h"
#include "tests/support/pst/pst_check.h"
#include "tests/support/pst/pst_file.h"
#include "tests/support/pst/pst_ndb_check.h"
#include "tests/support/pst/pst_node_reader.h"

namespace mailvane::testing {
namespace {

// The rule families of the node database ([MS-PST] 2.2); the others
// (hn., bth., pc., tc., nameid., store., folder., message., check.) belong
// to the layers above, which a store of bare nodes does not have: its
// nodes hold no heaps and it has no message store, so those rules fail by
// design here and are the other layers' tests to hold.
bool IsNdbRule(const std::string& rule) {
    static const char* const kFamilies[] = {"header.", "root.",    "page.",     "amap.",  "btree.", "nbt.",
                                            "block.",  "subnode.", "datatree.", "dlist.", "node.",  "file."};
    for (const char* family : kFamilies)
        if (rule.rfind(family, 0) == 0) return true;
    return false;
}

std::string NdbDefects(const std::vector<std::uint8_t>& store) {
    std::string text;
    for (const PstDefect& d : CheckPst(store))
        if (IsNdbRule(d.rule)) text += d.rule + " at " + d.where + ": " + d.seen + "\n";
    return text;
}

std::vector<std::uint8_t> Write(bool many) {
    pst::MemoryStoreSink sink;
    pst::NodeDatabase database(sink);
    WriteSampleNodes(database, many);
    EXPECT_TRUE(database.Finish()) << database.Error();
    EXPECT_EQ(database.Size(), sink.Bytes().size());
    return sink.Bytes();
}

std::uint8_t PageLevel(const std::vector<std::uint8_t>& store, std::uint64_t ib) { return store.at(ib + 491); }

TEST(NdbStore, EmptyStoreIsSound) {
    pst::MemoryStoreSink sink;
    pst::NodeDatabase database(sink);
    ASSERT_TRUE(database.Finish()) << database.Error();
    EXPECT_EQ(sink.Bytes().size(), 0x4400u + 253952u);
    EXPECT_EQ(NdbDefects(sink.Bytes()), "");
}

TEST(NdbStore, SampleNodesPassTheNdbRules) {
    const auto store = Write(false);
    EXPECT_EQ(NdbDefects(store), "");
    PstDefectList defects;
    const PstFile file(store);
    const PstNdb ndb = CheckPstNdb(file, defects);
    EXPECT_EQ(ndb.nodes.size(), 6u);
    // The 100 KB node is a data tree, the 400-subnode node an SIBLOCK.
    std::size_t dataTrees = 0, subnodeTrees = 0;
    for (const auto& [nid, node] : ndb.nodes) {
        dataTrees += PstBidIsInternal(node.bidData) ? 1 : 0;
        subnodeTrees += node.bidSub != 0 ? 1 : 0;
    }
    EXPECT_EQ(dataTrees, 1u);
    EXPECT_EQ(subnodeTrees, 2u);
    // What the checker's own reader gives back is what was written.
    PstNodeReader reader(file, ndb);
    for (const auto& [nid, node] : ndb.nodes) {
        if (!PstBidIsInternal(node.bidData)) continue;
        const auto stream = reader.Stream(node.bidData);
        ASSERT_TRUE(stream);
        ASSERT_EQ(stream->size(), 100u * 1024);
        for (std::size_t i = 0; i < stream->size(); ++i) ASSERT_EQ((*stream)[i], SampleByte(4, i)) << i;
    }
    std::size_t wide = 0;
    for (const auto& [nid, node] : ndb.nodes) {
        const auto subnodes = reader.Subnodes(node.bidSub);
        ASSERT_TRUE(subnodes) << nid;
        if (subnodes->size() != 400) continue;
        ++wide;
        std::uint32_t index = 0;
        for (const auto& [subnid, subnode] : *subnodes) {
            EXPECT_EQ(subnid, pst::MakeNid(pst::NidType::Ltp, ++index));
            const auto stream = reader.Stream(subnode.bidData);
            ASSERT_TRUE(stream);
            ASSERT_EQ(stream->size(), 16u);
            EXPECT_EQ((*stream)[15], SampleByte(11 + index - 1, 15));
        }
    }
    EXPECT_EQ(wide, 1u);
}

TEST(NdbStore, DataPastOneXBlockTakesAnXXBlock) {
    // 1,023 full blocks: more than the 1,021 one XBLOCK names.
    pst::MemoryStoreSink sink;
    pst::NodeDatabase database(sink);
    std::vector<std::uint8_t> bytes(1023 * pst::kMaxBlockData + 100);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + (i >> 13));
    const pst::Bid tree = database.AddData(bytes);
    database.AddNode(0x21, tree, 0, 0);
    ASSERT_TRUE(database.Finish()) << database.Error();
    EXPECT_EQ(NdbDefects(sink.Bytes()), "");
    PstDefectList defects;
    const PstFile file(sink.Bytes());
    const PstNdb ndb = CheckPstNdb(file, defects);
    PstNodeReader reader(file, ndb);
    const auto root = reader.BlockData(tree);
    ASSERT_TRUE(root);
    EXPECT_EQ(root->at(0), 0x01);  // btype
    EXPECT_EQ(root->at(1), 0x02);  // cLevel: XXBLOCK
    EXPECT_EQ(root->at(2), 2);     // over two XBLOCKs
    const auto stream = reader.Stream(tree);
    ASSERT_TRUE(stream);
    EXPECT_EQ(*stream, bytes);
}

TEST(NdbStore, DataPastWhatATreeHoldsFails) {
    // lcbTotal is 32 bits: the blocks are checked before any is written.
    pst::MemoryStoreSink sink;
    pst::NodeDatabase database(sink);
    const std::vector<std::uint8_t> block(pst::kMaxBlockData);
    const std::vector<std::span<const std::uint8_t>> blocks(UINT32_MAX / pst::kMaxBlockData + 1, block);
    EXPECT_EQ(database.AddDataBlocks(blocks), 0u);
    EXPECT_FALSE(database.Finish());
    EXPECT_NE(database.Error().find("past what a data tree holds"), std::string::npos) << database.Error();
    EXPECT_EQ(sink.Bytes().size(), 0x4400u);
}

TEST(NdbStore, ThreeThousandNodesGiveBothTreesIntermediateLevels) {
    const auto store = Write(true);
    EXPECT_EQ(NdbDefects(store), "");
    const PstFile file(store);
    ASSERT_TRUE(file.Header());
    EXPECT_GE(PageLevel(store, file.Header()->brefNbt.ib), 2);
    EXPECT_GE(PageLevel(store, file.Header()->brefBbt.ib), 2);
    // More than one section, each with its AMap, and the DList names them.
    EXPECT_GT(store.size(), 0x4400u + 253952u);
    EXPECT_EQ(store.at(0x4200 + 496), 0x86);
}

TEST(NdbStore, SizeIsWhatTheSinkWasGiven) {
    pst::MemoryStoreSink sink;
    pst::NodeDatabase database(sink);
    EXPECT_EQ(database.Size(), 0x4400u);
    const std::vector<std::uint8_t> bytes(600 * 1024, 0x11);
    database.AddNode(0x21, database.AddData(bytes), 0, 0);
    EXPECT_EQ(database.Size(), sink.Bytes().size());
    EXPECT_EQ(database.Size(), 0x4400u + 2 * 253952u);
    ASSERT_TRUE(database.Finish()) << database.Error();
    EXPECT_EQ(database.Size(), sink.Bytes().size());
    EXPECT_EQ(NdbDefects(sink.Bytes()), "");
}

TEST(NdbStore, NextIndexCountsFromTheNewStoreCounters) {
    pst::MemoryStoreSink sink;
    pst::NodeDatabase database(sink);
    EXPECT_EQ(database.NextIndex(pst::NidType::NormalFolder), 0x401u);
    EXPECT_EQ(database.NextIndex(pst::NidType::NormalFolder), 0x402u);
    EXPECT_EQ(database.NextIndex(pst::NidType::NormalMessage), 0x10001u);
    EXPECT_EQ(database.NextIndex(pst::NidType::AssociatedMessage), 0x8001u);
    EXPECT_EQ(database.NextIndex(pst::NidType::SearchFolder), 0x4001u);
    ASSERT_TRUE(database.Finish());
    const PstFile file(sink.Bytes());
    EXPECT_EQ(file.Header()->rgnid[0x02], 0x402u);
    EXPECT_EQ(file.Header()->rgnid[0x04], 0x10001u);
    EXPECT_EQ(file.Header()->rgnid[0x01], 0x400u);
}

// Each of these is a caller's mistake: the store is not finished, the
// error says what, and nothing is left half-claimed as sound.
TEST(NdbStore, CallerMistakesFailWithAReason) {
    struct Case {
        const char* name;
        void (*run)(pst::NodeDatabase&);
        const char* reason;
    };
    const Case cases[] = {
        {"block too large",
         [](pst::NodeDatabase& d) {
             const std::vector<std::uint8_t> big(pst::kMaxBlockData + 1);
             const std::span<const std::uint8_t> blocks[] = {big};
             EXPECT_EQ(d.AddDataBlocks(blocks), 0u);
         },
         "over the format"},
        {"node twice",
         [](pst::NodeDatabase& d) {
             d.AddNode(0x21, 0, 0, 0);
             d.AddNode(0x21, 0, 0, 0);
         },
         "added twice"},
        {"unknown block", [](pst::NodeDatabase& d) { d.AddNode(0x21, 0x40, 0, 0); }, "did not write"},
        {"data block as subnode tree",
         [](pst::NodeDatabase& d) {
             const std::uint8_t byte = 1;
             const pst::Bid data = d.AddData(std::span<const std::uint8_t>(&byte, 1));
             d.AddNode(0x21, 0, data, 0);
         },
         "did not write"},
        {"node after Finish",
         [](pst::NodeDatabase& d) {
             EXPECT_TRUE(d.Finish());
             d.AddNode(0x21, 0, 0, 0);
         },
         "after Finish"},
        {"subnode twice",
         [](pst::NodeDatabase& d) {
             EXPECT_EQ(d.AddSubnodes({{0x3F, 0, 0}, {0x3F, 0, 0}}), 0u);
         },
         "twice"},
    };
    for (const Case& c : cases) {
        pst::MemoryStoreSink sink;
        pst::NodeDatabase database(sink);
        c.run(database);
        EXPECT_FALSE(database.Finish()) << c.name;
        EXPECT_NE(database.Error().find(c.reason), std::string::npos) << c.name << ": " << database.Error();
    }
}

class RefusingSink final : public pst::StoreSink {
public:
    explicit RefusingSink(std::uint64_t limit) : m_limit(limit) {}
    bool Write(std::span<const std::uint8_t> bytes) override {
        if (m_written + bytes.size() > m_limit) return false;
        m_written += bytes.size();
        return true;
    }
    bool Rewrite(std::uint64_t offset, std::span<const std::uint8_t> bytes) override {
        return offset + bytes.size() <= m_written;
    }

private:
    std::uint64_t m_limit;
    std::uint64_t m_written = 0;
};

TEST(NdbStore, ASinkThatRefusesStopsTheWriter) {
    for (const std::uint64_t limit : {std::uint64_t{0}, std::uint64_t{0x4400}, std::uint64_t{0x4400 + 253952}}) {
        RefusingSink sink(limit);
        pst::NodeDatabase database(sink);
        WriteSampleNodes(database, true);
        EXPECT_FALSE(database.Finish()) << limit;
        EXPECT_NE(database.Error().find("refused"), std::string::npos) << limit << ": " << database.Error();
    }
}

TEST(NdbStore, SharedBlocksCountEveryReference) {
    // A data tree and a subnode tree named by two nodes each, as Outlook
    // shares one template table's blocks among folders.
    pst::MemoryStoreSink sink;
    pst::NodeDatabase database(sink);
    const std::vector<std::uint8_t> bytes(20000, 0x5A);
    const pst::Bid tree = database.AddData(bytes);
    const std::uint8_t one = 1;
    const pst::Bid leaf = database.AddData(std::span<const std::uint8_t>(&one, 1));
    const pst::Bid subnodes = database.AddSubnodes({{0x3F, leaf, 0}});
    database.AddNode(0x21, tree, subnodes, 0);
    database.AddNode(0x41, tree, subnodes, 0);
    ASSERT_TRUE(database.Finish()) << database.Error();
    EXPECT_EQ(NdbDefects(sink.Bytes()), "");
}

}  // namespace
}  // namespace mailvane::testing
