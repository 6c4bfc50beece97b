#include "engine/pst/node_database.h"

#include <algorithm>
#include <array>

#include "engine/io/little_endian.h"
#include "engine/pst/block_trailer.h"
#include "engine/pst/btree_pages.h"
#include "engine/pst/density_list.h"
#include "engine/pst/ndb_layout.h"
#include "engine/pst/page_trailer.h"
#include "engine/pst/permute_encoding.h"
#include "engine/pst/section_writer.h"
#include "engine/pst/store_header.h"

namespace mailvane::pst {

namespace {

constexpr std::size_t kBlockEntrySize = 24;
constexpr std::size_t kNodeEntrySize = 32;
// Internal blocks ([MS-PST] 2.2.2.8.3.2-3): an 8-byte header, then entries
// filling at most kMaxBlockData bytes.
constexpr std::size_t kInternalHeader = 8;
constexpr std::size_t kXBlockFanOut = (kMaxBlockData - kInternalHeader) / 8;     // 1021
constexpr std::size_t kSlBlockEntries = (kMaxBlockData - kInternalHeader) / 24;  // 340
constexpr std::size_t kSiBlockEntries = (kMaxBlockData - kInternalHeader) / 16;  // 510
constexpr std::uint8_t kBtypeDataTree = 0x01;
constexpr std::uint8_t kBtypeSubnodes = 0x02;
constexpr Bid kInternalBit = 0x2;

// A BBT entry as it is kept until Finish: 24 bytes a block.
struct BlockEntry {
    Bid bid = 0;
    std::uint64_t ib = 0;
    std::uint16_t cb = 0;
    std::uint16_t cRef = 0;
};

// An NBT entry: 24 bytes a node.
struct NodeEntry {
    Nid nid = 0;
    Nid parent = 0;
    Bid data = 0;
    Bid subnodes = 0;
};

}  // namespace

struct NodeDatabase::State {
    explicit State(StoreSink& s) : sink(s), sections(s) {}

    StoreSink& sink;
    SectionWriter sections;
    std::vector<BlockEntry> blocks;  // in BID order: block i has index i + 1
    std::vector<NodeEntry> nodes;
    std::array<std::uint32_t, 32> rgnid = InitialNidCounters();
    std::uint64_t nextPageBid = 1;
    bool finished = false;
    std::string error;

    bool Failed() const { return !error.empty(); }
    // False, failing the store, once it has failed or been finished: what
    // comes after Finish would be in no tree.
    bool Usable() {
        if (finished && error.empty()) Fail("a node or block was added after Finish");
        return error.empty();
    }
    void Fail(std::string why) {
        if (error.empty()) error = std::move(why);
    }

    // The entry of a BID this database handed out, or null.
    BlockEntry* Find(Bid bid) {
        const Bid index = bid >> 2;
        if (index == 0 || index > blocks.size() || blocks[index - 1].bid != bid) return nullptr;
        return &blocks[index - 1];
    }

    // Takes a reference to `bid` (0 is none); false when it is not ours or
    // not of the kind asked for.
    bool Reference(Bid bid, bool mustBeInternal) {
        if (bid == 0) return true;
        BlockEntry* entry = Find(bid);
        if (!entry || (mustBeInternal && (bid & kInternalBit) == 0) || entry->cRef == UINT16_MAX) return false;
        ++entry->cRef;
        return true;
    }

    // Writes one block: external blocks' data is permute-encoded, internal
    // blocks are stored as they are. Its cRef starts at 1, for the BBT's
    // own entry ([MS-PST] 2.2.2.7.7.3.1); each reference adds one.
    Bid AddBlock(std::span<const std::uint8_t> data, bool internal) {
        if (!Usable()) return 0;
        if (data.size() > kMaxBlockData) {
            Fail("a block of " + std::to_string(data.size()) + " bytes is over the format's " +
                 std::to_string(kMaxBlockData));
            return 0;
        }
        const Bid bid = (Bid{blocks.size() + 1} << 2) | (internal ? kInternalBit : 0);
        const auto place = sections.Allocate(BlockAllocationSize(data.size()), kSlotSize);
        if (!place) {
            Fail("the store's sink refused a section");
            return 0;
        }
        if (internal) {
            LayOutBlock(place->bytes, data, place->ib, bid);
        } else {
            std::copy(data.begin(), data.end(), place->bytes.begin());
            const auto stored = place->bytes.first(data.size());
            PermuteEncode(stored);
            LayOutBlock(place->bytes, stored, place->ib, bid);
        }
        blocks.push_back({bid, place->ib, static_cast<std::uint16_t>(data.size()), 1});
        return bid;
    }

    // An internal block of `btype`/`cLevel` with `count` entries already laid
    // out after its 8-byte header in `block`.
    Bid AddInternal(std::vector<std::uint8_t>& block, std::uint8_t btype, std::uint8_t level, std::size_t count,
                    std::uint32_t lcbTotal) {
        block[0] = btype;
        block[1] = level;
        io::PutU16(block.data() + 2, static_cast<std::uint16_t>(count));
        io::PutU32(block.data() + 4, lcbTotal);
        return AddBlock(block, true);
    }

    std::optional<Bref> PlacePage(PageBytes& page, PageType type) {
        const auto place = sections.Allocate(kPageSize, kPageSize);
        if (!place) return std::nullopt;
        const Bref bref{nextPageBid++, place->ib};
        FinishPage(std::span<std::uint8_t, kPageSize>(page), type, bref.ib, bref.bid);
        std::copy(page.begin(), page.end(), place->bytes.begin());
        return bref;
    }
};

NodeDatabase::NodeDatabase(StoreSink& sink) : m_state(std::make_unique<State>(sink)) {
    // The header and the DList are written at Finish over these zeros.
    const std::vector<std::uint8_t> front(kFirstAMapOffset);
    if (!sink.Write(front)) m_state->Fail("the store's sink refused its first bytes");
}

NodeDatabase::~NodeDatabase() = default;

Bid NodeDatabase::AddDataBlocks(std::span<const std::span<const std::uint8_t>> blocks) {
    State& s = *m_state;
    if (!s.Usable() || blocks.empty()) return 0;
    if (blocks.size() == 1) return s.AddBlock(blocks.front(), false);
    std::uint64_t total = 0;
    for (const auto& block : blocks) {
        if (block.size() > kMaxBlockData) {
            s.Fail("a data block of " + std::to_string(block.size()) + " bytes is over the format's " +
                   std::to_string(kMaxBlockData));
            return 0;
        }
        total += block.size();
    }
    // lcbTotal is 32 bits, and an XXBLOCK reaches 1021 XBLOCKs.
    if (total > UINT32_MAX || blocks.size() > kXBlockFanOut * kXBlockFanOut) {
        s.Fail("a node's data of " + std::to_string(total) + " bytes in " + std::to_string(blocks.size()) +
               " blocks is past what a data tree holds");
        return 0;
    }
    std::vector<std::uint8_t> top(kInternalHeader + 8 * kXBlockFanOut);
    std::size_t xblocks = 0;
    for (std::size_t first = 0; first < blocks.size(); first += kXBlockFanOut) {
        const std::size_t n = std::min(kXBlockFanOut, blocks.size() - first);
        std::vector<std::uint8_t> xblock(kInternalHeader + 8 * n);
        std::uint64_t bytes = 0;
        for (std::size_t i = 0; i < n; ++i) {
            const Bid bid = s.AddBlock(blocks[first + i], false);
            if (bid == 0 || !s.Reference(bid, false)) return 0;
            io::PutU64(xblock.data() + kInternalHeader + 8 * i, bid);
            bytes += blocks[first + i].size();
        }
        if (blocks.size() <= kXBlockFanOut)
            return s.AddInternal(xblock, kBtypeDataTree, 1, n, static_cast<std::uint32_t>(bytes));
        const Bid bid = s.AddInternal(xblock, kBtypeDataTree, 1, n, static_cast<std::uint32_t>(bytes));
        if (bid == 0 || !s.Reference(bid, true)) return 0;
        io::PutU64(top.data() + kInternalHeader + 8 * xblocks++, bid);
    }
    top.resize(kInternalHeader + 8 * xblocks);
    return s.AddInternal(top, kBtypeDataTree, 2, xblocks, static_cast<std::uint32_t>(total));
}

Bid NodeDatabase::AddData(std::span<const std::uint8_t> bytes) {
    std::vector<std::span<const std::uint8_t>> blocks;
    for (std::size_t at = 0; at < bytes.size(); at += kMaxBlockData)
        blocks.push_back(bytes.subspan(at, std::min(kMaxBlockData, bytes.size() - at)));
    return AddDataBlocks(blocks);
}

Bid NodeDatabase::AddSubnodes(std::vector<SubnodeEntry> entries) {
    State& s = *m_state;
    if (!s.Usable() || entries.empty()) return 0;
    std::sort(entries.begin(), entries.end(),
              [](const SubnodeEntry& a, const SubnodeEntry& b) { return a.nid < b.nid; });
    for (std::size_t i = 1; i < entries.size(); ++i) {
        if (entries[i].nid == entries[i - 1].nid) {
            s.Fail("subnode " + std::to_string(entries[i].nid) + " given twice in one subnode tree");
            return 0;
        }
    }
    if (entries.size() > kSlBlockEntries * kSiBlockEntries) {
        s.Fail(std::to_string(entries.size()) + " subnodes are more than a subnode tree holds");
        return 0;
    }
    for (const SubnodeEntry& entry : entries) {
        if (!s.Reference(entry.data, false) || !s.Reference(entry.subnodes, true)) {
            s.Fail("subnode " + std::to_string(entry.nid) +
                   " names a block this store did not write, a data block as its subnode tree, or a block named 65,535 "
                   "times");
            return 0;
        }
    }
    std::vector<std::uint8_t> index(kInternalHeader + 16 * kSiBlockEntries);
    std::size_t leaves = 0;
    for (std::size_t first = 0; first < entries.size(); first += kSlBlockEntries) {
        const std::size_t n = std::min(kSlBlockEntries, entries.size() - first);
        std::vector<std::uint8_t> leaf(kInternalHeader + 24 * n);
        for (std::size_t i = 0; i < n; ++i) {
            std::uint8_t* at = leaf.data() + kInternalHeader + 24 * i;
            io::PutU64(at, entries[first + i].nid);
            io::PutU64(at + 8, entries[first + i].data);
            io::PutU64(at + 16, entries[first + i].subnodes);
        }
        const Bid bid = s.AddInternal(leaf, kBtypeSubnodes, 0, n, 0);
        if (entries.size() <= kSlBlockEntries) return bid;
        if (bid == 0 || !s.Reference(bid, true)) return 0;
        io::PutU64(index.data() + kInternalHeader + 16 * leaves, entries[first].nid);
        io::PutU64(index.data() + kInternalHeader + 16 * leaves + 8, bid);
        ++leaves;
    }
    index.resize(kInternalHeader + 16 * leaves);
    return s.AddInternal(index, kBtypeSubnodes, 1, leaves, 0);
}

void NodeDatabase::AddNode(Nid nid, Bid data, Bid subnodes, Nid parent) {
    State& s = *m_state;
    if (!s.Usable()) return;
    if (!s.Reference(data, false) || !s.Reference(subnodes, true)) {
        s.Fail(
            "node " + std::to_string(nid) +
            " names a block this store did not write, a data block as its subnode tree, or a block named 65,535 times");
        return;
    }
    std::uint32_t& counter = s.rgnid[nid & 0x1F];
    counter = std::max(counter, IndexOf(nid));
    s.nodes.push_back({nid, parent, data, subnodes});
}

std::uint32_t NodeDatabase::NextIndex(NidType type) {
    std::uint32_t& counter = m_state->rgnid[static_cast<std::uint8_t>(type) & 0x1F];
    if (counter >= (UINT32_MAX >> 5)) {
        m_state->Fail("the node ids of one type ran out");
        return counter;
    }
    return ++counter;
}

bool NodeDatabase::Finish() {
    State& s = *m_state;
    if (s.finished) {
        s.Fail("the node database was finished twice");
        return false;
    }
    s.finished = true;
    if (s.Failed()) return false;
    std::sort(s.nodes.begin(), s.nodes.end(), [](const NodeEntry& a, const NodeEntry& b) { return a.nid < b.nid; });
    for (std::size_t i = 1; i < s.nodes.size(); ++i) {
        if (s.nodes[i].nid == s.nodes[i - 1].nid) {
            s.Fail("node " + std::to_string(s.nodes[i].nid) + " added twice");
            return false;
        }
    }
    // The leaf entries are laid out once, tree by tree: 24 or 32 bytes each
    // on top of the index, only while its BTree is built.
    std::optional<Bref> bbt;
    {
        std::vector<std::uint8_t> leaves(kBlockEntrySize * s.blocks.size());
        for (std::size_t i = 0; i < s.blocks.size(); ++i) {
            std::uint8_t* at = leaves.data() + kBlockEntrySize * i;
            io::PutU64(at, s.blocks[i].bid);
            io::PutU64(at + 8, s.blocks[i].ib);
            io::PutU16(at + 16, s.blocks[i].cb);
            io::PutU16(at + 18, s.blocks[i].cRef);
        }
        bbt = BuildBTree(leaves, kBlockEntrySize, s.blocks.size(),
                         [&](PageBytes& page) { return s.PlacePage(page, PageType::BlockBTree); });
    }
    std::optional<Bref> nbt;
    if (bbt) {
        std::vector<std::uint8_t> leaves(kNodeEntrySize * s.nodes.size());
        for (std::size_t i = 0; i < s.nodes.size(); ++i) {
            std::uint8_t* at = leaves.data() + kNodeEntrySize * i;
            io::PutU64(at, s.nodes[i].nid);
            io::PutU64(at + 8, s.nodes[i].data);
            io::PutU64(at + 16, s.nodes[i].subnodes);
            io::PutU32(at + 24, s.nodes[i].parent);
        }
        nbt = BuildBTree(leaves, kNodeEntrySize, s.nodes.size(),
                         [&](PageBytes& page) { return s.PlacePage(page, PageType::NodeBTree); });
    }
    if (!bbt || !nbt || !s.sections.Close()) {
        s.Fail("the store's sink refused a section");
        return false;
    }
    std::uint64_t freeSlots = 0;
    for (const std::uint16_t n : s.sections.FreeSlots()) freeSlots += n;
    // The DList names the page id the header hands out next, as Outlook's
    // stores do; it takes none of its own.
    const PageBytes dlist = BuildDensityList(s.sections.FreeSlots(), s.nextPageBid);
    StoreHeaderFields fields;
    fields.bidNextP = s.nextPageBid;
    fields.bidNextB = Bid{s.blocks.size() + 1} << 2;
    fields.dwUnique = 1;
    fields.rgnid = s.rgnid;
    fields.ibFileEof = s.sections.End();
    fields.ibAMapLast = s.sections.LastAMapOffset();
    fields.cbAMapFree = freeSlots * kSlotSize;
    fields.nbt = *nbt;
    fields.bbt = *bbt;
    const auto header = BuildStoreHeader(fields);
    if (!s.sink.Rewrite(kDListOffset, dlist) || !s.sink.Rewrite(0, header)) {
        s.Fail("the store's sink refused the header");
        return false;
    }
    return true;
}

std::uint64_t NodeDatabase::Size() const { return m_state->sections.Written(); }

const std::string& NodeDatabase::Error() const { return m_state->error; }

namespace {

Bid WriteData(NodeDatabase& database, const NodeContent& content) {
    std::vector<std::span<const std::uint8_t>> blocks(content.blocks.begin(), content.blocks.end());
    return database.AddDataBlocks(blocks);
}

// Recursion follows the content's own nesting (an attachment's embedded
// message inside a message), which the layers that build it bound.
Bid WriteSubnodes(NodeDatabase& database, const std::vector<Subnode>& subnodes) {
    if (subnodes.empty()) return 0;
    std::vector<SubnodeEntry> entries;
    entries.reserve(subnodes.size());
    for (const Subnode& subnode : subnodes) {
        SubnodeEntry entry;
        entry.nid = subnode.nid;
        entry.data = WriteData(database, subnode.content);
        entry.subnodes = WriteSubnodes(database, subnode.content.subnodes);
        entries.push_back(entry);
    }
    return database.AddSubnodes(std::move(entries));
}

}  // namespace

void WriteNode(NodeDatabase& database, Nid nid, Nid parent, const NodeContent& content) {
    const Bid data = WriteData(database, content);
    const Bid subnodes = WriteSubnodes(database, content.subnodes);
    database.AddNode(nid, data, subnodes, parent);
}

}  // namespace mailvane::pst
