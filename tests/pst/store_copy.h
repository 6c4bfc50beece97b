#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "tests/support/pst/pst_ndb.h"

namespace mailvane::testing {

// A store's bytes to damage in one place while keeping every checksum
// right, so that a check names the one rule the damage breaks.
class StoreCopy {
public:
    explicit StoreCopy(std::vector<std::uint8_t> bytes);

    std::vector<std::uint8_t>& Bytes() { return m_bytes; }
    const PstNdb& Ndb() const { return m_ndb; }

    std::uint64_t Get(std::uint64_t at, int size) const;
    void Put(std::uint64_t at, int size, std::uint64_t value);

    // The file offset of a leaf entry of the BBT or NBT.
    std::uint64_t BbtEntry(std::uint64_t bid) const;
    std::uint64_t NbtEntry(std::uint32_t nid) const;

    void FixHeader();
    void FixPage(std::uint64_t ib);  // the page that holds `ib`
    void FixBlock(std::uint64_t bid);

    // Edits a block's plain data (decoded when external) and stores it back
    // with its checksum fixed; the size may not change.
    void EditBlock(std::uint64_t bid, const std::function<void(std::vector<std::uint8_t>&)>& edit);
    // Edits the single data block of a node.
    void EditNode(std::uint32_t nid, const std::function<void(std::vector<std::uint8_t>&)>& edit);

private:
    std::vector<std::uint8_t> m_bytes;
    PstNdb m_ndb;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> m_bbtEntries;  // BID, offset
    std::vector<std::pair<std::uint64_t, std::uint64_t>> m_nbtEntries;  // NID, offset
};

// Where the item `hid` names starts in a heap block.
std::size_t HeapItemOffset(const std::vector<std::uint8_t>& block, std::uint32_t hid);

}  // namespace mailvane::testing
