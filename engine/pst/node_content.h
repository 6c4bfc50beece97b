#pragma once

#include <cstdint>
#include <vector>

#include "engine/pst/pst_ids.h"

namespace mailvane::pst {

struct Subnode;

// What a node holds before it is written: its data as the blocks it is
// stored in (a heap-on-node's blocks, each of at most kMaxBlockData bytes),
// and its subnodes, each with content of its own.
struct NodeContent {
    std::vector<std::vector<std::uint8_t>> blocks;
    std::vector<Subnode> subnodes;
};

struct Subnode {
    Nid nid = 0;
    NodeContent content;
};

// Hands out the ids of one node's subnodes: unique within the node, by type.
class LocalIds {
public:
    Nid Next(NidType type) { return MakeNid(type, ++m_last[static_cast<std::uint8_t>(type)]); }

private:
    std::uint32_t m_last[32] = {};
};

}  // namespace mailvane::pst
