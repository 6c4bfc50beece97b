#include "engine/pst/value_subnode.h"

#include <algorithm>

namespace mailvane::pst {

Subnode ValueSubnode(Nid nid, std::span<const std::uint8_t> bytes) {
    Subnode subnode;
    subnode.nid = nid;
    for (std::size_t at = 0; at < bytes.size(); at += kMaxBlockData) {
        const auto part = bytes.subspan(at, std::min(kMaxBlockData, bytes.size() - at));
        subnode.content.blocks.emplace_back(part.begin(), part.end());
    }
    return subnode;
}

}  // namespace mailvane::pst
