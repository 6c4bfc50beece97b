#pragma once

#include <cstdint>
#include <vector>

namespace mailvane::pst {

// The columns of the tables Outlook's own empty store holds, read from it:
// the six templates ([MS-PST] 2.4.4.4.1, 2.4.4.5.1, 2.4.4.6.1, 2.4.6.1.1,
// 2.4.5.3.1 list fewer; Outlook's carry a few more), the wider tables of
// its top of personal folders and search root, and the store's fixed
// tables whose meaning [MS-PST] does not give (0x6B6, 0x6D7, 0x6F8).
// Columns 0x8010..0x8022 are named: the name-to-id map numbers them.
std::vector<std::uint32_t> HierarchyTemplateColumns();
std::vector<std::uint32_t> ContentsTemplateColumns();
std::vector<std::uint32_t> AssociatedContentsTemplateColumns();
std::vector<std::uint32_t> SearchContentsTemplateColumns();
std::vector<std::uint32_t> AttachmentTemplateColumns();
std::vector<std::uint32_t> RecipientTemplateColumns();

std::vector<std::uint32_t> TopHierarchyColumns();
std::vector<std::uint32_t> TopContentsColumns();
std::vector<std::uint32_t> RootAssociatedColumns();
std::vector<std::uint32_t> SearchRootHierarchyColumns();
std::vector<std::uint32_t> CommonViewsAssociatedColumns();

std::vector<std::uint32_t> ReceiveFolderTableColumns();
std::vector<std::uint32_t> OutgoingQueueTableColumns();
std::vector<std::uint32_t> FixedTable6B6Columns();
std::vector<std::uint32_t> FixedTable6D7Columns();
std::vector<std::uint32_t> FixedTable6F8Columns();

}  // namespace mailvane::pst
