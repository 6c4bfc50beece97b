#include "tests/pst/store_copy.h"

#include <stdexcept>

#include "tests/support/pst/pst_codec.h"
#include "tests/support/pst/pst_defect.h"
#include "tests/support/pst/pst_file.h"
#include "tests/support/pst/pst_ndb_check.h"

namespace mailvane::testing {

namespace {

void WalkLeaves(const std::vector<std::uint8_t>& bytes, std::uint64_t ib, int depth,
                std::vector<std::pair<std::uint64_t, std::uint64_t>>& out) {
    if (depth > 8 || ib + 512 > bytes.size()) return;
    const std::uint8_t cEnt = bytes[ib + 488];
    const std::uint8_t cbEnt = bytes[ib + 490];
    const std::uint8_t cLevel = bytes[ib + 491];
    const std::span<const std::uint8_t> page(bytes.data() + ib, 512);
    for (std::size_t i = 0; i < cEnt; ++i) {
        if (cLevel > 0)
            WalkLeaves(bytes, PstGet64(page, i * cbEnt + 16), depth + 1, out);
        else
            out.emplace_back(PstGet64(page, i * cbEnt), ib + i * cbEnt);
    }
}

}  // namespace

StoreCopy::StoreCopy(std::vector<std::uint8_t> bytes) : m_bytes(std::move(bytes)) {
    PstDefectList ignored;
    m_ndb = CheckPstNdb(PstFile(m_bytes), ignored);
    WalkLeaves(m_bytes, Get(240, 8), 0, m_bbtEntries);
    WalkLeaves(m_bytes, Get(224, 8), 0, m_nbtEntries);
}

std::uint64_t StoreCopy::Get(std::uint64_t at, int size) const { return PstGet(m_bytes, at, size); }

void StoreCopy::Put(std::uint64_t at, int size, std::uint64_t value) {
    if (size > 8) throw std::invalid_argument("Put writes at most 8 bytes");
    for (int i = 0; i < size; ++i) m_bytes.at(at + i) = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint64_t StoreCopy::BbtEntry(std::uint64_t bid) const {
    for (const auto& [key, at] : m_bbtEntries)
        if (key == bid) return at;
    throw std::runtime_error("no BBT entry " + PstHex(bid));
}

std::uint64_t StoreCopy::NbtEntry(std::uint32_t nid) const {
    for (const auto& [key, at] : m_nbtEntries)
        if (key == nid) return at;
    throw std::runtime_error("no NBT entry " + PstHex(nid));
}

void StoreCopy::FixHeader() {
    Put(4, 4, PstCrc(std::span(m_bytes).subspan(8, 471)));
    Put(524, 4, PstCrc(std::span(m_bytes).subspan(8, 516)));
}

void StoreCopy::FixPage(std::uint64_t ib) {
    ib -= ib % 512;
    Put(ib + 500, 4, PstCrc(std::span(m_bytes).subspan(ib, 496)));
}

void StoreCopy::FixBlock(std::uint64_t bid) {
    const PstBlockEntry& block = m_ndb.blocks.at(bid);
    const std::uint64_t trailer = block.ib + PstBlockAllocation(block.cb) - 16;
    Put(trailer + 4, 4, PstCrc(std::span(m_bytes).subspan(block.ib, block.cb)));
}

void StoreCopy::EditBlock(std::uint64_t bid, const std::function<void(std::vector<std::uint8_t>&)>& edit) {
    const PstBlockEntry& block = m_ndb.blocks.at(bid);
    const std::span<const std::uint8_t> stored(m_bytes.data() + block.ib, block.cb);
    const std::uint8_t crypt = m_bytes[513];
    std::vector<std::uint8_t> plain =
        PstBidIsInternal(bid) ? std::vector<std::uint8_t>(stored.begin(), stored.end()) : PstDecode(stored, crypt, bid);
    edit(plain);
    if (plain.size() != block.cb) throw std::runtime_error("an edit may not change a block's size");
    const std::vector<std::uint8_t> back = PstBidIsInternal(bid) ? plain : PstEncode(plain, crypt, bid);
    std::copy(back.begin(), back.end(), m_bytes.begin() + static_cast<std::ptrdiff_t>(block.ib));
    FixBlock(bid);
}

void StoreCopy::EditNode(std::uint32_t nid, const std::function<void(std::vector<std::uint8_t>&)>& edit) {
    const std::uint64_t bid = m_ndb.nodes.at(nid).bidData;
    if (PstBidIsInternal(bid)) throw std::runtime_error("node " + PstHex(nid) + " spans blocks");
    EditBlock(PstBidKey(bid), edit);
}

std::size_t HeapItemOffset(const std::vector<std::uint8_t>& block, std::uint32_t hid) {
    const std::size_t ibHnpm = PstGet16(block, 0);
    const std::size_t index = (hid >> 5) & 0x7FF;
    return PstGet16(block, ibHnpm + 4 + 2 * (index - 1));
}

}  // namespace mailvane::testing
