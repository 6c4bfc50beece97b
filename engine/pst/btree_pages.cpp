#include "engine/pst/btree_pages.h"

#include <algorithm>
#include <vector>

#include "engine/io/little_endian.h"

namespace mailvane::pst {

namespace {

constexpr std::size_t kEntriesSize = 488;
constexpr std::size_t kBtEntrySize = 24;
constexpr int kMaxLevel = 8;

struct Child {
    std::uint64_t key = 0;
    Bref bref;
};

// One page: entries, then cEnt, cEntMax, cbEnt and cLevel at 488..491;
// unused entry space and dwPadding stay zero.
PageBytes MakePage(std::span<const std::uint8_t> entries, std::size_t entrySize, std::size_t count, int level) {
    PageBytes page{};
    std::copy(entries.begin(), entries.begin() + static_cast<std::ptrdiff_t>(entrySize * count), page.begin());
    page[488] = static_cast<std::uint8_t>(count);
    page[489] = static_cast<std::uint8_t>(kEntriesSize / entrySize);
    page[490] = static_cast<std::uint8_t>(entrySize);
    page[491] = static_cast<std::uint8_t>(level);
    return page;
}

}  // namespace

std::optional<Bref> BuildBTree(std::span<const std::uint8_t> leafEntries, std::size_t entrySize, std::size_t count,
                               const PagePlacer& place) {
    const std::size_t perLeaf = kEntriesSize / entrySize;
    std::vector<Child> level;
    for (std::size_t first = 0; first < count || (count == 0 && level.empty()); first += perLeaf) {
        const std::size_t n = std::min(perLeaf, count - first);
        PageBytes page = MakePage(leafEntries.subspan(first * entrySize), entrySize, n, 0);
        const auto bref = place(page);
        if (!bref) return std::nullopt;
        level.push_back(
            {n > 0 ? io::GetLittleEndian<std::uint64_t>(leafEntries.data() + first * entrySize) : 0, *bref});
    }
    const std::size_t perPage = kEntriesSize / kBtEntrySize;
    for (int cLevel = 1; level.size() > 1; ++cLevel) {
        if (cLevel > kMaxLevel) return std::nullopt;
        std::vector<Child> above;
        std::vector<std::uint8_t> entries(perPage * kBtEntrySize);
        for (std::size_t first = 0; first < level.size(); first += perPage) {
            const std::size_t n = std::min(perPage, level.size() - first);
            for (std::size_t i = 0; i < n; ++i) {
                std::uint8_t* at = entries.data() + i * kBtEntrySize;
                io::PutU64(at, level[first + i].key);
                io::PutU64(at + 8, level[first + i].bref.bid);
                io::PutU64(at + 16, level[first + i].bref.ib);
            }
            PageBytes page = MakePage(entries, kBtEntrySize, n, cLevel);
            const auto bref = place(page);
            if (!bref) return std::nullopt;
            above.push_back({level[first].key, *bref});
        }
        level = std::move(above);
    }
    return level.front().bref;
}

}  // namespace mailvane::pst
