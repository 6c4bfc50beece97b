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
    DirectoryNode node;
    node.name = name;
    node.type = EntryType::Storage;
    return Add(parent, std::move(node));
}

EntryId CompoundFileBuilder::AddStream(EntryId parent, const DirectoryName& name, StreamData data) {
    DirectoryNode node;
    node.name = name;
    node.type = EntryType::Stream;
    node.data = std::move(data);
    return Add(parent, std::move(node));
}

void CompoundFileBuilder::Reserve(EntryId parent, std::size_t count) {
    // Grown geometrically, so that reserving for each storage in turn
    // does not reallocate the nodes every time.
    if (m_nodes.size() + count > m_nodes.capacity())
        m_nodes.reserve(std::max(2 * m_nodes.capacity(), m_nodes.size() + count));
    std::vector<EntryId>& children = m_nodes[parent].children;
    children.reserve(children.size() + count);
}

EntryId CompoundFileBuilder::Add(EntryId parent, DirectoryNode node) {
    const auto id = static_cast<EntryId>(m_nodes.size());
    m_nodes.push_back(std::move(node));
    m_nodes[parent].children.push_back(id);
    return id;
}

}  // namespace mailvane::cfb
