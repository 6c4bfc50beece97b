#pragma once

#include <cstdint>
#include <map>

namespace mailvane::testing {

// What the node database's two trees hold, as the NDB check read them.
// About 40 bytes per block and 32 per node; a store of a million items
// costs some 100 MB, which the tests never reach.
struct PstBlockEntry {
    std::uint64_t bid = 0;
    std::uint64_t ib = 0;
    std::uint16_t cb = 0;
    std::uint16_t cRef = 0;
    // The block lies inside the file and its trailer, signature and CRC
    // hold: only sound blocks are read by the layers above.
    bool sound = false;
};

struct PstNodeEntry {
    std::uint32_t nid = 0;
    std::uint64_t bidData = 0;
    std::uint64_t bidSub = 0;
    std::uint32_t nidParent = 0;
};

struct PstNdb {
    std::map<std::uint64_t, PstBlockEntry> blocks;  // by BID as the BBT keys it
    std::map<std::uint32_t, PstNodeEntry> nodes;    // by NID
};

// NID layout ([MS-PST] 2.2.2.1): type in the low 5 bits.
inline constexpr std::uint32_t PstNidType(std::uint32_t nid) { return nid & 0x1F; }
inline constexpr std::uint32_t PstNidIndex(std::uint32_t nid) { return nid >> 5; }
// Bit 0 of a BID is Outlook's own ([MS-PST] 2.2.2.2): readers mask it, and
// references in Outlook's files do carry it.
inline constexpr std::uint64_t PstBidKey(std::uint64_t bid) { return bid & ~std::uint64_t{1}; }
inline constexpr bool PstBidIsInternal(std::uint64_t bid) { return (bid & 0x2) != 0; }

inline constexpr std::uint32_t kNidTypeHid = 0x00;
inline constexpr std::uint32_t kNidTypeNormalFolder = 0x02;
inline constexpr std::uint32_t kNidTypeSearchFolder = 0x03;
inline constexpr std::uint32_t kNidTypeNormalMessage = 0x04;
inline constexpr std::uint32_t kNidTypeAttachment = 0x05;
inline constexpr std::uint32_t kNidTypeSearchUpdateQueue = 0x06;
inline constexpr std::uint32_t kNidTypeAssocMessage = 0x08;
inline constexpr std::uint32_t kNidTypeHierarchyTable = 0x0D;
inline constexpr std::uint32_t kNidTypeContentsTable = 0x0E;
inline constexpr std::uint32_t kNidTypeAssocContentsTable = 0x0F;
inline constexpr std::uint32_t kNidTypeLtp = 0x1F;

}  // namespace mailvane::testing
