#include "engine/pst/density_list.h"

#include <algorithm>

#include "engine/io/little_endian.h"
#include "engine/pst/page_trailer.h"

namespace mailvane::pst {

namespace {

constexpr std::size_t kMaxEntries = 476 / 4;
constexpr std::size_t kEntries = 8;

}  // namespace

PageBytes BuildDensityList(const std::vector<std::uint16_t>& freeSlots, std::uint64_t bid) {
    std::vector<std::uint32_t> order;
    for (std::uint32_t i = 0; i < freeSlots.size(); ++i)
        if (freeSlots[i] > 0) order.push_back(i);
    std::stable_sort(order.begin(), order.end(),
                     [&](std::uint32_t a, std::uint32_t b) { return freeSlots[a] > freeSlots[b]; });
    if (order.size() > kMaxEntries) order.resize(kMaxEntries);
    PageBytes page{};
    page[1] = static_cast<std::uint8_t>(order.size());
    io::PutU32(page.data() + 4, freeSlots.empty() ? 0 : static_cast<std::uint32_t>(freeSlots.size() - 1));
    for (std::size_t i = 0; i < order.size(); ++i)
        io::PutU32(page.data() + kEntries + 4 * i, (order[i] & 0xFFFFF) | (std::uint32_t{freeSlots[order[i]]} << 20));
    FinishPage(page, PageType::DensityList, kDListOffset, bid);
    return page;
}

}  // namespace mailvane::pst
