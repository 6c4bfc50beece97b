#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "engine/pst/heap_on_node.h"

namespace mailvane::pst {

// A BTree-on-heap ([MS-PST] 2.3.2) over records of cbKey key bytes and cbEnt
// data bytes, built bottom-up from records sorted by key: leaves of as many
// whole records as one heap item holds, and index levels of {first key of
// the child, child's HID} over them until one item is the root.
//
// Its items are allocated in two steps so that they can come before what
// the records name: Reserve allocates the header and every array, sized
// for `recordCount` records (zeros until filled); Fill writes the records
// into them.
class BTreeOnHeapBuilder {
public:
    BTreeOnHeapBuilder(HeapOnNodeBuilder& heap, std::uint8_t cbKey, std::uint8_t cbEnt);

    // Allocates the BTHHEADER: the tree's HID, named by whatever refers to
    // the tree.
    Hid AllocateHeader();
    // Allocates the record arrays for `recordCount` records (none for 0).
    void Reserve(std::size_t recordCount);
    // `records`: the reserved count of records, each cbKey + cbEnt bytes,
    // keys (little-endian) strictly ascending. False when the count differs
    // or the heap failed.
    bool Fill(std::span<const std::uint8_t> records);

    // Records that fit one leaf; more need an index level.
    std::size_t LeafCapacity() const;

private:
    HeapOnNodeBuilder& m_heap;
    std::uint8_t m_cbKey;
    std::uint8_t m_cbEnt;
    Hid m_header = 0;
    std::size_t m_recordCount = 0;
    // Each level's arrays, leaves first, with their record counts.
    std::vector<std::vector<std::pair<Hid, std::size_t>>> m_levels;
};

}  // namespace mailvane::pst
