#include "tests/support/pst_image/pst_ltp_image.h"

#include <algorithm>

#include "tests/support/pst/pst_file.h"
#include "tests/support/pst/pst_ltp_check.h"
#include "tests/support/pst/pst_node_reader.h"

namespace mailvane::testing {

namespace {

constexpr std::size_t kXBlockCapacity = 1021;
constexpr std::size_t kSlBlockCapacity = 340;

void Put(std::vector<std::uint8_t>& out, std::uint64_t value, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

}  // namespace

std::uint64_t PstLtpImage::AddBlock(const std::vector<std::uint8_t>& data, bool internal) {
    const std::uint64_t bid = m_nextBid | (internal ? 2 : 0);
    m_nextBid += 4;
    const std::uint64_t ib = m_bytes.size();
    m_bytes.insert(m_bytes.end(), data.begin(), data.end());
    m_bytes.resize(ib + PstBlockAllocation(data.size()), 0);
    m_ndb.blocks[bid] = PstBlockEntry{bid, ib, static_cast<std::uint16_t>(data.size()), 2, true};
    return bid;
}

std::uint64_t PstLtpImage::AddData(const std::vector<std::vector<std::uint8_t>>& blocks) {
    if (blocks.empty()) return 0;
    if (blocks.size() == 1) return AddBlock(blocks[0], false);
    std::vector<std::uint64_t> xblocks;
    for (std::size_t first = 0; first < blocks.size(); first += kXBlockCapacity) {
        const std::size_t count = std::min(kXBlockCapacity, blocks.size() - first);
        std::uint64_t total = 0;
        std::vector<std::uint64_t> leaves;
        for (std::size_t i = first; i < first + count; ++i) {
            leaves.push_back(AddBlock(blocks[i], false));
            total += blocks[i].size();
        }
        std::vector<std::uint8_t> x = {0x01, 0x01};
        Put(x, count, 2);
        Put(x, total, 4);
        for (const std::uint64_t leaf : leaves) Put(x, leaf, 8);
        xblocks.push_back(AddBlock(x, true));
    }
    if (xblocks.size() == 1) return xblocks[0];
    std::uint64_t total = 0;
    for (const auto& block : blocks) total += block.size();
    std::vector<std::uint8_t> xx = {0x01, 0x02};
    Put(xx, xblocks.size(), 2);
    Put(xx, total, 4);
    for (const std::uint64_t x : xblocks) Put(xx, x, 8);
    return AddBlock(xx, true);
}

std::uint64_t PstLtpImage::AddSubnodes(const std::vector<pst::Subnode>& subnodes) {
    if (subnodes.empty()) return 0;
    std::vector<const pst::Subnode*> sorted;
    for (const auto& subnode : subnodes) sorted.push_back(&subnode);
    std::sort(sorted.begin(), sorted.end(), [](const auto* a, const auto* b) { return a->nid < b->nid; });
    std::vector<std::pair<std::uint32_t, std::uint64_t>> leaves;
    for (std::size_t first = 0; first < sorted.size(); first += kSlBlockCapacity) {
        const std::size_t count = std::min(kSlBlockCapacity, sorted.size() - first);
        std::vector<std::uint8_t> sl = {0x02, 0x00};
        Put(sl, count, 2);
        Put(sl, 0, 4);
        for (std::size_t i = first; i < first + count; ++i) {
            Put(sl, sorted[i]->nid, 8);
            Put(sl, AddData(sorted[i]->content.blocks), 8);
            Put(sl, AddSubnodes(sorted[i]->content.subnodes), 8);
        }
        leaves.emplace_back(sorted[first]->nid, AddBlock(sl, true));
    }
    if (leaves.size() == 1) return leaves[0].second;
    std::vector<std::uint8_t> si = {0x02, 0x01};
    Put(si, leaves.size(), 2);
    Put(si, 0, 4);
    for (const auto& [nid, bid] : leaves) {
        Put(si, nid, 8);
        Put(si, bid, 8);
    }
    return AddBlock(si, true);
}

void PstLtpImage::AddNode(std::uint32_t nid, const pst::NodeContent& content) {
    PstNodeEntry entry;
    entry.nid = nid;
    entry.bidData = AddData(content.blocks);
    entry.bidSub = AddSubnodes(content.subnodes);
    m_ndb.nodes[nid] = entry;
}

PstLtp PstLtpImage::Check(std::vector<PstDefect>& defects) const {
    const PstFile file(m_bytes);
    PstNodeReader reader(file, m_ndb);
    PstDefectList list;
    PstLtp ltp = CheckPstLtp(reader, m_ndb, list);
    defects = list.Take();
    return ltp;
}

std::string DefectLines(const std::vector<PstDefect>& defects) {
    std::string text;
    for (const PstDefect& d : defects) text += d.rule + " at " + d.where + ": " + d.seen + "\n";
    return text;
}

}  // namespace mailvane::testing
