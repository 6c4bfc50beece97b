#pragma once

#include <cstdint>
#include <span>

#include "engine/pst/ndb_layout.h"

namespace mailvane::pst {

// Fills the PAGETRAILER of a 512-byte page ([MS-PST] 2.2.2.7.1) whose first
// 496 bytes are final: ptype twice, the signature (BTree pages and the
// DList; map pages carry 0), the CRC of those 496 bytes and the page's id.
void FinishPage(std::span<std::uint8_t, kPageSize> page, PageType type, std::uint64_t ib, std::uint64_t bid);

}  // namespace mailvane::pst
