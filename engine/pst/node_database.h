#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "engine/pst/node_content.h"
#include "engine/pst/pst_ids.h"
#include "engine/pst/store_sink.h"

namespace mailvane::pst {

// A subnode of a node: local to it, with its own data and subnodes.
struct SubnodeEntry {
    Nid nid = 0;
    Bid data = 0;
    Bid subnodes = 0;  // 0: none
};

// The node database of a new Unicode store, written as it is made: the
// header's place first, then every block as it is added, with an
// allocation map page (and the density list, and the other map pages at
// their fixed places) ahead of each span it describes, and at Finish the
// node and block BTrees, the maps' contents and the header with its root.
// Memory holds the current map span and one index entry per node and block.
// Data blocks are encoded as Outlook writes them by default (permute).
// Every Bid returned is to be referenced exactly once, by AddNode, by an
// entry given to AddSubnodes, or not at all (the reference counts follow).
class NodeDatabase {
public:
    explicit NodeDatabase(StoreSink& sink);
    ~NodeDatabase();
    NodeDatabase(const NodeDatabase&) = delete;
    NodeDatabase& operator=(const NodeDatabase&) = delete;

    // A node's (or subnode's) data made of `blocks`, in order, each of at
    // most kMaxBlockData bytes: one data block, or a data tree over them.
    // 0 when the writer has failed, and for no blocks (a node without data).
    Bid AddDataBlocks(std::span<const std::span<const std::uint8_t>> blocks);
    // The same for bytes cut into blocks of kMaxBlockData.
    Bid AddData(std::span<const std::uint8_t> bytes);
    // A subnode tree over `entries` (any order; ids unique); 0 for none.
    Bid AddSubnodes(std::vector<SubnodeEntry> entries);
    // A top-level node; `parent` is 0 for a node without one.
    void AddNode(Nid nid, Bid data, Bid subnodes, Nid parent);

    // The next index the store's header hands out for nodes of `type`
    // (the rgnid counters), counted from what was handed out.
    std::uint32_t NextIndex(NidType type);

    // Writes the BTrees, the maps and the header. False, with Error(), when
    // anything failed since construction.
    bool Finish();
    // The bytes written so far: where the file's end stands.
    std::uint64_t Size() const;
    const std::string& Error() const;

private:
    struct State;
    std::unique_ptr<State> m_state;
};

// Writes `content` (its subnodes first, each with its own subnode tree)
// and adds it as the node `nid` under `parent`.
void WriteNode(NodeDatabase& database, Nid nid, Nid parent, const NodeContent& content);

}  // namespace mailvane::pst
