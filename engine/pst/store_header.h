#pragma once

#include <array>
#include <cstdint>

#include "engine/pst/btree_pages.h"
#include "engine/pst/ndb_layout.h"

namespace mailvane::pst {

// What a Unicode store's HEADER and ROOT ([MS-PST] 2.2.2.5-6) say of it;
// the rest of the header is fixed for a new store.
struct StoreHeaderFields {
    std::uint64_t bidNextP = 0;
    std::uint64_t bidNextB = 0;
    std::uint32_t dwUnique = 0;
    std::array<std::uint32_t, 32> rgnid{};
    std::uint64_t ibFileEof = 0;
    std::uint64_t ibAMapLast = 0;
    std::uint64_t cbAMapFree = 0;
    Bref nbt;
    Bref bbt;
};

// The 564 header bytes: "!BDN", "SM", wVer 23, wVerClient 19, platform 1
// and 1, the fields above, cbPMapFree 0 (the PMaps list no free page),
// fAMapValid VALID_AMAP2, the deprecated rgbFM/rgbFP all 0xFF, bSentinel,
// bCryptMethod permute, the reserved fields zero as a creator must leave
// them, and both CRCs (dwCRCPartial over bytes 8..478, dwCRCFull over
// 8..523).
std::array<std::uint8_t, kHeaderSize> BuildStoreHeader(const StoreHeaderFields& fields);

// The rgnid counters of a new store ([MS-PST] 2.2.2.6): 0x400 for every
// type but search folders (0x4000), normal messages (0x10000) and
// associated messages (0x8000).
std::array<std::uint32_t, 32> InitialNidCounters();

}  // namespace mailvane::pst
