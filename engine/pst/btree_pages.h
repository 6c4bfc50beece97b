#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>

#include "engine/pst/ndb_layout.h"

namespace mailvane::pst {

struct Bref {
    std::uint64_t bid = 0;
    std::uint64_t ib = 0;
};

using PageBytes = std::array<std::uint8_t, kPageSize>;

// Places a page: gives it an offset and a page id, finishes its trailer
// and writes it. Nullopt when the store cannot take it.
using PagePlacer = std::function<std::optional<Bref>(PageBytes& page)>;

// Builds a BTree of the node database ([MS-PST] 2.2.2.7.7) bottom-up from
// its leaf entries, `count` entries of `entrySize` bytes (24 for the BBT,
// 32 for the NBT) in ascending key order, each starting with its 8-byte
// key. Leaves are filled to cEntMax; each level above holds a BTENTRY per
// page below keyed by that page's first key, up to a single root. An
// empty tree is one leaf without entries. Returns the root, nullopt when a
// page could not be placed. Memory: one 24-byte entry per page of a level.
std::optional<Bref> BuildBTree(std::span<const std::uint8_t> leafEntries, std::size_t entrySize, std::size_t count,
                               const PagePlacer& place);

}  // namespace mailvane::pst
