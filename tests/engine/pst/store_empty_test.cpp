#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <string>

#include "engine/pst/store_sink.h"
#include "engine/pst/store_writer.h"
#include "store_read_back.h"
#include "tests/support/corpus_files.h"
#include "tests/support/pst/pst_codec.h"

namespace mailvane::testing {
namespace {

// Outlook's empty store is named "Empty"; ours gets the same name so that
// the store's PidTagDisplayName compares.
constexpr char16_t kName[] = u"Empty";

std::vector<std::uint8_t> EmptyStore() {
    pst::MemoryStoreSink sink;
    pst::StoreWriter writer(sink, kName);
    EXPECT_TRUE(writer.Finish()) << writer.Error();
    EXPECT_EQ(writer.Size(), sink.Bytes().size());
    return sink.Bytes();
}

std::optional<StoreReadBack> OutlookEmptyStore() {
    const std::filesystem::path path = CorpusDir() / "pst" / "outlook-pst-rs-Empty.pst";
    if (!std::filesystem::exists(path)) return std::nullopt;
    return StoreReadBack(ReadFileBytes(path));
}

// Nodes of Outlook's empty store that ours leaves out, and why.
const std::map<std::uint32_t, const char*> kOutlookOnlyNodes = {
    {0xC01, "a heap with the reserved client signature 0x9C over an empty BTree of 16-byte keys; undocumented"},
    {0xE01, "a heap with the reserved client signature 0xCC; undocumented"},
    {0xEE1, "raw data listing the store's four base folders in a layout [MS-PST] does not give"},
    {0xF01, "raw data holding GUIDs and a time of the store in a layout [MS-PST] does not give"},
};

// Property values that are the store's own by nature (node, property id).
const std::map<std::pair<std::uint32_t, std::uint16_t>, const char*> kPerStoreValues = {
    {{0x21, 0x0FF9}, "PidTagRecordKey: the store's own GUID"},
    {{0x21, 0x0E34}, "PidTagReplVersionHistory: carries a GUID of the store"},
    {{0x21, 0x35E0}, "the entry IDs carry the record key: compared without it below"},
    {{0x21, 0x35E3}, "(the same)"},
    {{0x21, 0x35E6}, "(the same)"},
    {{0x21, 0x35E7}, "(the same)"},
    {{0x8022, 0x3001}, "the top of personal folders is named after the store, Outlook's \"Top of Outlook data file\""},
    {{0x61, 0x0004}, "the string stream: Outlook pads names with stale bytes, ours with zeros; compared name by name"},
};

constexpr std::uint32_t kRowVer = 0x67F30003;

std::string Hex(std::uint64_t value) { return PstHex(value); }

// The names of a string stream: each {length, UTF-16LE name} at its offset.
std::map<std::uint32_t, std::vector<std::uint8_t>> StringStreamNames(const std::vector<std::uint8_t>& stream) {
    std::map<std::uint32_t, std::vector<std::uint8_t>> names;
    for (std::size_t at = 0; at + 4 <= stream.size();) {
        const std::uint32_t length = PstGet32(stream, at);
        if (length > stream.size() - at - 4) break;
        names[static_cast<std::uint32_t>(at)].assign(stream.begin() + at + 4, stream.begin() + at + 4 + length);
        at += (4 + length + 3) / 4 * 4;
    }
    return names;
}

TEST(StoreEmpty, PassesTheChecker) {
    const std::vector<std::uint8_t> bytes = EmptyStore();
    const std::vector<PstDefect> defects = CheckPst(bytes);
    EXPECT_TRUE(defects.empty()) << DescribeDefects(defects);
}

TEST(StoreEmpty, EachStoreHasItsOwnRecordKey) {
    const StoreReadBack first(EmptyStore());
    const StoreReadBack second(EmptyStore());
    ASSERT_NE(first.Properties(0x21), nullptr);
    ASSERT_NE(second.Properties(0x21), nullptr);
    EXPECT_NE(first.Properties(0x21)->at(0x0FF9).bytes, second.Properties(0x21)->at(0x0FF9).bytes);
}

TEST(StoreEmpty, HoldsTheNodesOfOutlooksEmptyStore) {
    const std::optional<StoreReadBack> outlook = OutlookEmptyStore();
    if (!outlook) GTEST_SKIP() << "no corpus";
    const StoreReadBack ours(EmptyStore());
    for (const auto& [nid, node] : outlook->ndb.nodes) {
        const auto found = ours.ndb.nodes.find(nid);
        if (kOutlookOnlyNodes.contains(nid)) {
            EXPECT_EQ(found, ours.ndb.nodes.end()) << Hex(nid) << " is listed as Outlook's only";
            continue;
        }
        if (found == ours.ndb.nodes.end()) {
            ADD_FAILURE() << "node " << Hex(nid) << " of Outlook's empty store is missing";
            continue;
        }
        EXPECT_EQ(found->second.nidParent, node.nidParent) << "parent of " << Hex(nid);
        EXPECT_EQ(found->second.bidData == 0, node.bidData == 0) << "data of " << Hex(nid);
        EXPECT_EQ(found->second.bidSub == 0, node.bidSub == 0) << "subnodes of " << Hex(nid);
    }
    for (const auto& [nid, node] : ours.ndb.nodes)
        EXPECT_TRUE(outlook->ndb.nodes.contains(nid)) << "node " << Hex(nid) << " is not in Outlook's empty store";
}

TEST(StoreEmpty, HoldsThePropertiesOfOutlooksEmptyStore) {
    const std::optional<StoreReadBack> outlook = OutlookEmptyStore();
    if (!outlook) GTEST_SKIP() << "no corpus";
    const StoreReadBack ours(EmptyStore());
    const PstProperties* ourStore = ours.Properties(0x21);
    ASSERT_NE(ourStore, nullptr);
    ASSERT_TRUE(ourStore->contains(0x0FF9));
    const std::vector<std::uint8_t>& recordKey = ourStore->at(0x0FF9).bytes;

    for (const auto& [nid, properties] : outlook->ltp.properties) {
        const PstProperties* mine = ours.Properties(nid);
        if (!mine) {
            EXPECT_TRUE(kOutlookOnlyNodes.contains(nid)) << "no property context for " << Hex(nid);
            continue;
        }
        std::set<std::uint16_t> theirIds, ourIds;
        for (const auto& entry : properties) theirIds.insert(entry.first);
        for (const auto& entry : *mine) ourIds.insert(entry.first);
        EXPECT_EQ(ourIds, theirIds) << "the property ids of " << Hex(nid);
        for (const auto& [id, value] : properties) {
            const auto found = mine->find(id);
            if (found == mine->end()) continue;
            const std::string where = Hex(nid) + " property " + Hex(id);
            EXPECT_EQ(found->second.type, value.type) << where;
            if (!kPerStoreValues.contains({nid, id})) {
                EXPECT_EQ(found->second.bytes, value.bytes) << where;
                continue;
            }
            const std::vector<std::uint8_t>& our = found->second.bytes;
            if (nid == 0x21) {
                EXPECT_EQ(our.size(), value.bytes.size()) << where;
            }
            if (nid == 0x21 && id >= 0x35E0 && id <= 0x35E7 && our.size() == 24 && value.bytes.size() == 24) {
                EXPECT_EQ(PstGet32(our, 0), PstGet32(value.bytes, 0)) << where << ": flags";
                EXPECT_EQ(PstGet32(our, 20), PstGet32(value.bytes, 20)) << where << ": the folder it names";
                EXPECT_TRUE(std::equal(recordKey.begin(), recordKey.end(), our.begin() + 4)) << where << ": uid";
            }
            if (nid == 0x61 && id == 0x0004) {
                EXPECT_EQ(StringStreamNames(our), StringStreamNames(value.bytes)) << where;
            }
            if (nid == 0x8022 && id == 0x3001) {
                EXPECT_EQ(our, Utf16Bytes(kName)) << where;
            }
        }
    }
}

TEST(StoreEmpty, HoldsTheTablesOfOutlooksEmptyStore) {
    const std::optional<StoreReadBack> outlook = OutlookEmptyStore();
    if (!outlook) GTEST_SKIP() << "no corpus";
    const StoreReadBack ours(EmptyStore());
    for (const auto& [nid, table] : outlook->ltp.tables) {
        const PstTable* mine = ours.Table(nid);
        if (!mine) {
            ADD_FAILURE() << "no table " << Hex(nid);
            continue;
        }
        std::vector<std::uint32_t> theirColumns, ourColumns;
        for (const PstColumn& column : table.columns) theirColumns.push_back(column.tag);
        for (const PstColumn& column : mine->columns) ourColumns.push_back(column.tag);
        EXPECT_EQ(ourColumns, theirColumns) << "the columns of " << Hex(nid);
        ASSERT_EQ(mine->rows.size(), table.rows.size()) << "the rows of " << Hex(nid);
        for (std::size_t i = 0; i < table.rows.size(); ++i) {
            const PstRow& their = table.rows[i];
            const PstRow& our = mine->rows[i];
            const std::string where = Hex(nid) + " row " + Hex(their.rowId);
            EXPECT_EQ(our.rowId, their.rowId) << where;
            std::set<std::uint32_t> theirTags, ourTags;
            for (const auto& entry : their.cells) theirTags.insert(entry.first);
            for (const auto& entry : our.cells) ourTags.insert(entry.first);
            EXPECT_EQ(ourTags, theirTags) << where;
            for (const auto& [tag, cell] : their.cells) {
                // Row versions count Outlook's own changes; the top of personal
                // folders' name is the store's.
                if (tag == kRowVer || (their.rowId == 0x8022 && tag == 0x3001001F)) continue;
                const auto found = our.cells.find(tag);
                if (found != our.cells.end()) {
                    EXPECT_EQ(found->second.bytes, cell.bytes) << where << " " << Hex(tag);
                }
            }
        }
    }
}

}  // namespace
}  // namespace mailvane::testing
