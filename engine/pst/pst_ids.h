#pragma once

#include <cstdint>

namespace mailvane::pst {

// A node's id: its type in the low 5 bits, its index above them.
using Nid = std::uint32_t;
// A block's or a page's id. Block ids step by 4 (bit 1 marks an internal
// block: a data or subnode tree's own block); page ids step by 1.
using Bid = std::uint64_t;
// An item of a heap-on-node: block index, item index, type 0.
using Hid = std::uint32_t;
// A heap item or a subnode: a Hid when its low 5 bits are 0, else a Nid.
using Hnid = std::uint32_t;

enum class NidType : std::uint8_t {
    Hid = 0x00,
    Internal = 0x01,
    NormalFolder = 0x02,
    SearchFolder = 0x03,
    NormalMessage = 0x04,
    Attachment = 0x05,
    SearchUpdateQueue = 0x06,
    SearchCriteriaObject = 0x07,
    AssociatedMessage = 0x08,
    ContentsTableIndex = 0x0A,
    ReceiveFolderTable = 0x0B,
    OutgoingQueueTable = 0x0C,
    HierarchyTable = 0x0D,
    ContentsTable = 0x0E,
    AssociatedContentsTable = 0x0F,
    SearchContentsTable = 0x10,
    AttachmentTable = 0x11,
    RecipientTable = 0x12,
    SearchTableIndex = 0x13,
    Ltp = 0x1F,
};

constexpr Nid MakeNid(NidType type, std::uint32_t index) { return (index << 5) | static_cast<std::uint32_t>(type); }
constexpr NidType TypeOf(Nid nid) { return static_cast<NidType>(nid & 0x1F); }
constexpr std::uint32_t IndexOf(Nid nid) { return nid >> 5; }

// The nodes every store has at fixed ids.
inline constexpr Nid kMessageStoreNid = 0x21;
inline constexpr Nid kNameToIdMapNid = 0x61;
inline constexpr Nid kRootFolderNid = 0x122;
inline constexpr Nid kSearchManagementQueueNid = 0x1E1;
inline constexpr Nid kSearchActivityListNid = 0x201;
inline constexpr Nid kHierarchyTableTemplateNid = 0x60D;
inline constexpr Nid kContentsTableTemplateNid = 0x60E;
inline constexpr Nid kAssociatedContentsTableTemplateNid = 0x60F;
inline constexpr Nid kSearchContentsTableTemplateNid = 0x610;
// The attachment and recipient tables: templates as top-level nodes, and
// the subnode ids of every message's own tables.
inline constexpr Nid kAttachmentTableNid = 0x671;
inline constexpr Nid kRecipientTableNid = 0x692;

// The most data one block holds: 8,192 bytes less its 16-byte trailer.
inline constexpr std::size_t kMaxBlockData = 8176;
// The largest item a heap-on-node holds; larger values go to subnodes.
inline constexpr std::size_t kMaxHeapItem = 3580;

}  // namespace mailvane::pst
