#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <utility>
#include <vector>

namespace mailvane::testing {

// A heap-on-node as read: its blocks and each block's item offsets.
struct PstHeap {
    std::vector<std::span<const std::uint8_t>> blocks;
    std::vector<std::vector<std::uint16_t>> allocations;  // rgibAlloc per block
    std::uint8_t clientSig = 0;
    std::uint32_t hidUserRoot = 0;
};

// A value as the layers above compare it: the bytes of a fixed-size value
// (little-endian, its own size) or of a variable one (resolved through its
// HNID).
struct PstValue {
    std::uint16_t type = 0;
    std::vector<std::uint8_t> bytes;
};

using PstProperties = std::map<std::uint16_t, PstValue>;  // a PC, by property ID

struct PstColumn {
    std::uint32_t tag = 0;
    std::uint16_t ibData = 0;
    std::uint8_t cbData = 0;
    std::uint8_t iBit = 0;
};

struct PstRow {
    std::uint32_t rowId = 0;
    std::map<std::uint32_t, PstValue> cells;  // the cells that exist, by tag
};

struct PstTable {
    std::vector<PstColumn> columns;
    std::vector<PstRow> rows;  // in row-matrix order
};

// The contexts of the top-level nodes, by NID, as the messaging layer reads
// them. A node whose context is broken is absent (its defects say why).
struct PstLtp {
    std::map<std::uint32_t, PstProperties> properties;
    std::map<std::uint32_t, PstTable> tables;
    // The tables among a node's own subnodes (a message's recipient and
    // attachment tables), by node and subnode NID.
    std::map<std::pair<std::uint32_t, std::uint32_t>, PstTable> subnodeTables;
    // The NIDs of each top-level node's own subnodes.
    std::map<std::uint32_t, std::vector<std::uint32_t>> subnodeIds;
};

inline std::uint64_t PstValueNumber(const PstValue& value) {
    std::uint64_t number = 0;
    for (std::size_t i = 0; i < value.bytes.size() && i < 8; ++i) number |= std::uint64_t{value.bytes[i]} << (8 * i);
    return number;
}

// Property types of [MS-OXCDATA] 2.11.1 that a store may hold.
inline constexpr std::uint16_t kPtypInteger32 = 0x0003;
inline constexpr std::uint16_t kPtypBoolean = 0x000B;
inline constexpr std::uint16_t kPtypObject = 0x000D;
inline constexpr std::uint16_t kPtypString = 0x001F;
inline constexpr std::uint16_t kPtypBinary = 0x0102;

}  // namespace mailvane::testing
