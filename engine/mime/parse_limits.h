#pragma once

#include <cstddef>

namespace mailvane::mime {

struct ParseLimits {
    std::size_t maxDepth = 32;  // entities nested deeper stay opaque leaves
    std::size_t maxParts = 10000;
    std::size_t maxHeaderFields = 2000;    // per entity
    std::size_t maxHeaderBytes = 1 << 20;  // per entity; beyond it the rest is skipped
    std::size_t maxLineLength = 1 << 20;   // longer header lines are cut
    // Whether the parse ends by checking the text parts and the header
    // dates and encoded words for issues (unknown charsets, text invalid in
    // its charset, invalid dates). Not a bound but the same kind of choice:
    // the check decodes every text part once more, work wasted on a caller
    // that never reports issues.
    bool checkText = true;
};

}  // namespace mailvane::mime
