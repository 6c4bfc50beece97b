#pragma once

#include "engine/pst/node_database.h"

namespace mailvane::testing {

// The node sets the node database's tests write: small nodes, a node of
// 100 KB (a data tree), nodes with subnodes (one with 400, so its subnode
// tree has two levels, and subnodes with subnodes of their own) and, with
// `many`, 3,000 nodes more so that both BTrees get intermediate levels.
// Only internal and LTP node types are used: no folders or messages, whose
// parents and properties the messaging layer owns.
void WriteSampleNodes(pst::NodeDatabase& database, bool many);

// The data of sample node `index`, byte `at`: what reading it back gives.
std::uint8_t SampleByte(std::size_t index, std::size_t at);

}  // namespace mailvane::testing
