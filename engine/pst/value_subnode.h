#pragma once

#include <cstdint>
#include <span>

#include "engine/pst/node_content.h"

namespace mailvane::pst {

// A value too large for a heap as a subnode of type Ltp ([MS-PST] 2.3.3.3):
// its bytes cut into blocks of kMaxBlockData, the last one shorter.
Subnode ValueSubnode(Nid nid, std::span<const std::uint8_t> bytes);

}  // namespace mailvane::pst
