#include "tests/support/pst/pst_node_reader.h"

#include "tests/support/pst/pst_codec.h"

namespace mailvane::testing {

namespace {

// A node stream larger than this is not read whole (lcbTotal is 32-bit; no
// test store comes near it).
constexpr std::size_t kMaxStream = 64u << 20;

}  // namespace

PstNodeReader::PstNodeReader(const PstFile& file, const PstNdb& ndb) : m_file(file), m_ndb(ndb) {
    if (file.Header()) m_cryptMethod = file.Header()->bCryptMethod;
}

bool PstNodeReader::Spend() {
    if (m_budget == 0) return false;
    --m_budget;
    return true;
}

const std::vector<std::uint8_t>* PstNodeReader::BlockData(std::uint64_t bid) {
    if (!Spend()) return nullptr;
    bid = PstBidKey(bid);
    const auto cached = m_cache.find(bid);
    if (cached != m_cache.end()) return &cached->second;
    const auto found = m_ndb.blocks.find(bid);
    if (found == m_ndb.blocks.end() || !found->second.sound) return nullptr;
    const PstBlockEntry& block = found->second;
    const auto data = m_file.BlockAllocation(block.ib, block.cb).first(block.cb);
    std::vector<std::uint8_t> bytes = PstBidIsInternal(bid) ? std::vector<std::uint8_t>(data.begin(), data.end())
                                                            : PstDecode(data, m_cryptMethod, bid);
    return &m_cache.emplace(bid, std::move(bytes)).first->second;
}

std::optional<std::vector<std::span<const std::uint8_t>>> PstNodeReader::DataBlocks(std::uint64_t bid) {
    std::vector<std::span<const std::uint8_t>> leaves;
    if (bid == 0) return leaves;
    const auto* data = BlockData(bid);
    if (!data) return std::nullopt;
    if (!PstBidIsInternal(bid)) {
        leaves.emplace_back(*data);
        return leaves;
    }
    const auto block = ReadPstInternalBlock(*data);
    if (!block || block->btype != 0x01 || (block->cLevel != 1 && block->cLevel != 2)) return std::nullopt;
    for (std::size_t i = 0; i < block->cEnt; ++i) {
        const std::uint64_t child = PstGet64(block->entries, 8 * i);
        if (block->cLevel == 1) {
            if (PstBidIsInternal(child)) return std::nullopt;
            const auto* leaf = BlockData(child);
            if (!leaf) return std::nullopt;
            leaves.emplace_back(*leaf);
            continue;
        }
        if (!PstBidIsInternal(child)) return std::nullopt;
        const auto* xdata = BlockData(child);
        if (!xdata) return std::nullopt;
        const auto xblock = ReadPstInternalBlock(*xdata);
        if (!xblock || xblock->btype != 0x01 || xblock->cLevel != 1) return std::nullopt;
        for (std::size_t j = 0; j < xblock->cEnt; ++j) {
            const std::uint64_t leafBid = PstGet64(xblock->entries, 8 * j);
            if (PstBidIsInternal(leafBid)) return std::nullopt;
            const auto* leaf = BlockData(leafBid);
            if (!leaf) return std::nullopt;
            leaves.emplace_back(*leaf);
        }
    }
    return leaves;
}

std::optional<std::vector<std::uint8_t>> PstNodeReader::Stream(std::uint64_t bid) {
    const auto leaves = DataBlocks(bid);
    if (!leaves) return std::nullopt;
    std::vector<std::uint8_t> stream;
    for (const auto& leaf : *leaves) {
        if (stream.size() + leaf.size() > kMaxStream) return std::nullopt;
        stream.insert(stream.end(), leaf.begin(), leaf.end());
    }
    return stream;
}

std::optional<PstSubnodes> PstNodeReader::Subnodes(std::uint64_t bidSub) {
    PstSubnodes subnodes;
    if (bidSub == 0) return subnodes;
    const auto* data = BlockData(bidSub);
    if (!data) return std::nullopt;
    const auto block = ReadPstInternalBlock(*data);
    if (!block || block->btype != 0x02 || block->cLevel > 1) return std::nullopt;
    const auto addLeaf = [&](const PstInternalBlock& leaf) {
        for (std::size_t i = 0; i < leaf.cEnt; ++i) {
            PstSubnode entry;
            // Outlook leaves other bits in the upper half of the 8-byte NID.
            entry.nid = PstGet32(leaf.entries, 24 * i);
            entry.bidData = PstGet64(leaf.entries, 24 * i + 8);
            entry.bidSub = PstGet64(leaf.entries, 24 * i + 16);
            subnodes.emplace(entry.nid, entry);
        }
    };
    if (block->cLevel == 0) {
        addLeaf(*block);
        return subnodes;
    }
    for (std::size_t i = 0; i < block->cEnt; ++i) {
        const auto* childData = BlockData(PstGet64(block->entries, 16 * i + 8));
        if (!childData) return std::nullopt;
        const auto child = ReadPstInternalBlock(*childData);
        if (!child || child->btype != 0x02 || child->cLevel != 0) return std::nullopt;
        addLeaf(*child);
    }
    return subnodes;
}

}  // namespace mailvane::testing
