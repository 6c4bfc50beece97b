#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "tests/support/pst/pst_defect.h"

namespace mailvane::testing {

// Everything a strict reading of a Unicode store finds wrong, layer by
// layer: the node database (header, maps, BTrees, blocks, trees), the
// lists-tables-properties layer (heaps, BTrees-on-heap, property and table
// contexts) and the messaging layer (store, folders and the tables that
// mirror them). Empty for a sound store. Any input gives an answer: offsets
// and counts are checked before use and all work is bounded.
std::vector<PstDefect> CheckPst(std::span<const std::uint8_t> bytes);

}  // namespace mailvane::testing
