#include "engine/cfb/compound_file_builder.h"

#include <algorithm>
#include <utility>

namespace mailvane::cfb {

CompoundFileBuilder::CompoundFileBuilder() {
    DirectoryNode root;
    root.name = u"Root Entry";
    root.type = EntryType::Root;
    m_nodes.push_back(std::move(root));
}

EntryId CompoundFileBuilder::AddStorage(EntryId parent, const DirectoryName& name) {
    Add(parent, name, EntryType::Storage);
    return static_cast<EntryId>(m_nodes.size() - 1);
}

EntryId CompoundFileBuilder::AddStream(EntryId parent, const DirectoryName& name, StreamData data) {
    Add(parent, name, EntryType::Stream).data = std::move(data);
    return static_cast<EntryId>(m_nodes.size() - 1);
}

void CompoundFileBuilder::Reserve(EntryId parent, std::size_t count) {
    // Grown geometrically, so that reserving for each storage in turn
    // does not reallocate the nodes every time.
    if (m_nodes.size() + count > m_nodes.capacity())
        m_nodes.reserve(std::max(2 * m_nodes.capacity(), m_nodes.size() + count));
    std::vector<EntryId>& children = m_nodes[parent].children;
    children.reserve(children.size() + count);
}

DirectoryNode& CompoundFileBuilder::Add(EntryId parent, const DirectoryName& name, EntryType type) {
    const auto id = static_cast<EntryId>(m_nodes.size());
    DirectoryNode& node = m_nodes.emplace_back();
    node.name = name;
    node.type = type;
    m_nodes[parent].children.push_back(id);
    return m_nodes.back();
}

}  // namespace mailvane::cfb
