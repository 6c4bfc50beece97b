#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/cfb/cfb_constants.h"
#include "engine/cfb/directory_name.h"
#include "engine/cfb/stream_data.h"

namespace mailvane::cfb {

using EntryId = std::uint32_t;

// One storage or stream of the file to be written. The index of a node in
// CompoundFileBuilder::Nodes() is its directory entry id.
struct DirectoryNode {
    DirectoryName name;
    EntryType type = EntryType::Stream;
    Clsid clsid{};
    StreamData data;                // streams only
    std::vector<EntryId> children;  // storages and the root only
};

// The tree of storages and streams of one compound file, described before
// anything is written. Names are checked when the file is written.
class CompoundFileBuilder {
public:
    static constexpr EntryId kRoot = 0;

    CompoundFileBuilder();

    EntryId AddStorage(EntryId parent, const DirectoryName& name);
    EntryId AddStream(EntryId parent, const DirectoryName& name, StreamData data);
    // Room for `count` more entries under `parent`, made at once.
    void Reserve(EntryId parent, std::size_t count);
    void SetClsid(EntryId entry, const Clsid& clsid) { m_nodes[entry].clsid = clsid; }

    const std::vector<DirectoryNode>& Nodes() const { return m_nodes; }

private:
    // A new node of `type` under `parent`, made in place.
    DirectoryNode& Add(EntryId parent, const DirectoryName& name, EntryType type);

    std::vector<DirectoryNode> m_nodes;
};

}  // namespace mailvane::cfb
