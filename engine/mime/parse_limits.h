#pragma once

#include <cstddef>

namespace mailvane::mime {

struct ParseLimits {
    std::size_t maxDepth = 32;  // entities nested deeper stay opaque leaves
    std::size_t maxParts = 10000;
    std::size_t maxHeaderFields = 2000;    // per entity
    std::size_t maxHeaderBytes = 1 << 20;  // per entity; beyond it the rest is skipped
    std::size_t maxLineLength = 1 << 20;   // longer header lines are cut
};

}  // namespace mailvane::mime
