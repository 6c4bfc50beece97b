#pragma once

#include <cstdint>

#include "engine/pst/ndb_layout.h"

namespace mailvane::pst {

// Where the map pages of a Unicode store lie ([MS-PST] 1.3.2, 2.2.2.7.2-6).
// The file after the first AMap is a run of sections of kAMapCoverage
// bytes; section n starts with its AMap, the PMap follows it in every 8th
// section, and the FMap (from section 128, every 496) or the FPMap (from
// section 8192, every 31,744) takes the page after that. Both of those
// indices are multiples of 8 and never meet, so each of the two has a PMap
// before it.
constexpr std::uint64_t AMapOffset(std::uint64_t section) { return kFirstAMapOffset + section * kAMapCoverage; }

struct SectionMaps {
    bool pageMap = false;
    bool freeMap = false;
    bool freePageMap = false;
};

constexpr SectionMaps MapsOfSection(std::uint64_t section) {
    SectionMaps maps;
    maps.pageMap = section % 8 == 0;
    maps.freeMap = section >= 128 && (section - 128) % 496 == 0;
    maps.freePageMap = section >= 8192 && (section - 8192) % 31744 == 0;
    return maps;
}

// The pages the maps take at the start of a section: 1 to 3.
constexpr std::uint64_t MapPagesOfSection(std::uint64_t section) {
    const SectionMaps maps = MapsOfSection(section);
    return 1 + (maps.pageMap ? 1 : 0) + (maps.freeMap || maps.freePageMap ? 1 : 0);
}

}  // namespace mailvane::pst
