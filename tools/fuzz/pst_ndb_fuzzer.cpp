// The node database writer over node sets the input describes: how many
// nodes, their types and parents, their data in blocks of any size up to
// the format's (a data block, an XBLOCK, sometimes an XXBLOCK), and
// subnodes (an SLBLOCK, or an SIBLOCK past 340) with subnodes of their own.
// Every store must be finished, pass every NDB rule of the checker of
// tests/support/pst (CheckPstNdb), and give back each node's bytes and subnodes as they
// were written; the first break aborts with what broke.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "engine/pst/node_database.h"
#include "tests/support/pst/pst_file.h"
#include "tests/support/pst/pst_ndb_check.h"
#include "tests/support/pst/pst_node_reader.h"

namespace {

using namespace mailvane;

// Reads the input a byte at a time; past its end every byte is 0.
class Cursor {
public:
    Cursor(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}
    std::uint8_t Byte() { return m_at < m_size ? m_data[m_at++] : 0; }
    std::size_t Below(std::size_t bound) { return bound == 0 ? 0 : (std::size_t{Byte()} << 8 | Byte()) % bound; }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_at = 0;
};

// Node types of the NDB alone: folders and messages take parents the
// messaging layer checks, so they are not written here.
constexpr pst::NidType kTypes[] = {pst::NidType::Internal,        pst::NidType::Ltp,
                                   pst::NidType::HierarchyTable,  pst::NidType::ContentsTable,
                                   pst::NidType::AttachmentTable, pst::NidType::RecipientTable};

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "invariant violated: %s\n", what.c_str());
    std::abort();
}

// What one store may hold, so that each run stays quick.
struct Budget {
    std::size_t bytes = 8 * 1024 * 1024;
    std::size_t subnodes = 4000;
};

pst::NodeContent MakeContent(Cursor& in, int depth, Budget& budget) {
    pst::NodeContent content;
    const std::uint8_t shape = in.Byte();
    std::size_t blocks = shape % 4;
    if (shape == 0xFF)
        blocks = 1021 + in.Below(4);  // an XBLOCK full, or an XXBLOCK
    else if (shape >= 0xF0)
        blocks = 2 + in.Below(40);
    for (std::size_t i = 0; i < blocks && budget.bytes > 0; ++i) {
        const std::uint8_t sizeByte = in.Byte();
        std::size_t size = sizeByte == 0xFF ? pst::kMaxBlockData : std::size_t{sizeByte} * (blocks > 64 ? 1 : 31);
        if (size > budget.bytes) size = budget.bytes;
        budget.bytes -= size;
        std::vector<std::uint8_t> block(size);
        const std::uint8_t seed = in.Byte();
        for (std::size_t b = 0; b < size; ++b) block[b] = static_cast<std::uint8_t>(seed + b * 13);
        content.blocks.push_back(std::move(block));
    }
    if (depth >= 3) return content;
    const std::uint8_t fan = in.Byte();
    std::size_t subnodes = fan % 4;
    if (fan >= 0xF8) subnodes = 300 + in.Below(400);
    pst::LocalIds ids;
    for (std::size_t i = 0; i < subnodes && budget.subnodes > 0; ++i, --budget.subnodes) {
        const pst::NidType type = kTypes[in.Byte() % std::size(kTypes)];
        content.subnodes.push_back(pst::Subnode{ids.Next(type), MakeContent(in, depth + 1, budget)});
    }
    return content;
}

std::vector<std::uint8_t> Joined(const pst::NodeContent& content) {
    std::vector<std::uint8_t> bytes;
    for (const auto& block : content.blocks) bytes.insert(bytes.end(), block.begin(), block.end());
    return bytes;
}

void Compare(testing::PstNodeReader& reader, std::uint64_t bidData, std::uint64_t bidSub,
             const pst::NodeContent& content, const std::string& where) {
    const auto stream = reader.Stream(bidData);
    if (!stream || *stream != Joined(content)) Fail(where + ": its data does not read back");
    const auto subnodes = reader.Subnodes(bidSub);
    if (!subnodes || subnodes->size() != content.subnodes.size()) Fail(where + ": its subnodes do not read back");
    for (const pst::Subnode& subnode : content.subnodes) {
        const auto found = subnodes->find(subnode.nid);
        if (found == subnodes->end()) Fail(where + ": subnode " + std::to_string(subnode.nid) + " is missing");
        Compare(reader, found->second.bidData, found->second.bidSub, subnode.content,
                where + " subnode " + std::to_string(subnode.nid));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Cursor in(data, size);
    Budget budget;
    const std::size_t count = in.Below(80);
    struct Written {
        pst::Nid nid;
        pst::NodeContent content;
    };
    std::vector<Written> written;
    pst::MemoryStoreSink sink;
    pst::NodeDatabase database(sink);
    for (std::size_t i = 0; i < count; ++i) {
        const pst::NidType type = kTypes[in.Byte() % std::size(kTypes)];
        const pst::Nid nid = pst::MakeNid(type, database.NextIndex(type));
        const std::size_t parentChoice = in.Below(written.size() + 1);
        const pst::Nid parent = parentChoice == 0 ? 0 : written[parentChoice - 1].nid;
        pst::NodeContent content = MakeContent(in, 0, budget);
        pst::WriteNode(database, nid, parent, content);
        written.push_back({nid, std::move(content)});
    }
    if (!database.Finish()) Fail("the store was not finished: " + database.Error());
    const auto& store = sink.Bytes();
    if (database.Size() != store.size()) Fail("Size() is not the store's size");
    // The NDB rules alone: the layers above are not written here.
    testing::PstDefectList defects;
    const testing::PstFile file(store);
    const testing::PstNdb ndb = testing::CheckPstNdb(file, defects);
    for (const auto& defect : defects.List()) Fail(defect.rule + " at " + defect.where + ": " + defect.seen);
    if (ndb.nodes.size() != written.size()) Fail("the NBT holds another number of nodes");
    testing::PstNodeReader reader(file, ndb);
    for (const Written& node : written) {
        const auto found = ndb.nodes.find(node.nid);
        if (found == ndb.nodes.end()) Fail("node " + std::to_string(node.nid) + " is not in the NBT");
        Compare(reader, found->second.bidData, found->second.bidSub, node.content, "node " + std::to_string(node.nid));
    }
    return 0;
}
