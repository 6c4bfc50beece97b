#pragma once

#include <cstdint>
#include <vector>

#include "engine/pst/btree_pages.h"

namespace mailvane::pst {

// The DList page at 0x4200 ([MS-PST] 2.2.2.7.4): the AMaps with free
// slots, most free first (as many as its 119 entries hold), each entry the
// AMap's index in bits 0-19 and its free slot count in bits 20-31, and the
// last AMap as the current page. `freeSlots` holds each AMap's count by
// index; `bid` is the page id the trailer carries.
PageBytes BuildDensityList(const std::vector<std::uint16_t>& freeSlots, std::uint64_t bid);

}  // namespace mailvane::pst
