// The sections after the first AMap, written past 2 and 4 GB into a sink
// that keeps only the map pages: every AMap, PMap, FMap and FPMap at its
// place with its trailer, and the AMap bits of what was handed out.
#include <gtest/gtest.h>

#include <map>

#include "engine/io/little_endian.h"
#include "engine/pst/section_writer.h"
#include "tests/support/pst/pst_codec.h"

namespace mailvane::testing {
namespace {

// Counts the bytes written and keeps the 512-byte pages at the offsets the
// format puts map pages, computed here from the layout itself: AMap n at
// 0x4400 + n * 253,952, then a PMap every 8th, then the FMap (from AMap
// 128, first at 0x1F04800) or the FPMap (from AMap 8192, first at
// 0x7C004800).
class MapKeepingSink final : public pst::StoreSink {
public:
    bool Write(std::span<const std::uint8_t> bytes) override {
        for (std::uint64_t ib = (m_size + 511) / 512 * 512; ib + 512 <= m_size + bytes.size(); ib += 512) {
            if (!IsMapPlace(ib)) continue;
            const auto page = bytes.subspan(ib - m_size, 512);
            m_pages[ib].assign(page.begin(), page.end());
        }
        m_size += bytes.size();
        return true;
    }
    bool Rewrite(std::uint64_t, std::span<const std::uint8_t>) override { return false; }

    static bool IsMapPlace(std::uint64_t ib) {
        if (ib < 0x4400) return false;
        const std::uint64_t n = (ib - 0x4400) / 253952;
        const std::uint64_t at = (ib - 0x4400) % 253952;
        return at == 0 || (at == 512 && n % 8 == 0) || (at == 1024 && n % 8 == 0);
    }

    std::uint64_t m_size = 0x4400;  // the header and the DList come first
    std::map<std::uint64_t, std::vector<std::uint8_t>> m_pages;
};

std::uint8_t Ptype(const std::vector<std::uint8_t>& page) { return page[496]; }

TEST(NdbSections, MapPagesPastFourGigabytes) {
    MapKeepingSink sink;
    pst::SectionWriter sections(sink);
    // 40 KB at a time: six to a section, so the tail of each stays free.
    const std::uint64_t target = 0x1'0800'0000ull;
    std::uint64_t lastIb = 0;
    while (true) {
        const auto allocation = sections.Allocate(40960, 512);
        ASSERT_TRUE(allocation);
        ASSERT_EQ(allocation->ib % 512, 0u);
        ASSERT_GT(allocation->ib, lastIb);
        lastIb = allocation->ib;
        if (allocation->ib > target) break;
    }
    ASSERT_TRUE(sections.Close());
    EXPECT_EQ(sections.End(), sink.m_size);
    EXPECT_EQ((sink.m_size - 0x4400) % 253952, 0u);
    const std::uint64_t count = (sink.m_size - 0x4400) / 253952;
    EXPECT_EQ(sections.LastAMapOffset(), 0x4400 + (count - 1) * 253952);
    ASSERT_EQ(sections.FreeSlots().size(), count);

    const std::vector<std::uint8_t>& firstFMap = sink.m_pages.at(0x1F04800);
    EXPECT_EQ(Ptype(firstFMap), 0x82);
    const std::vector<std::uint8_t>& firstFPMap = sink.m_pages.at(0x7C004800);
    EXPECT_EQ(Ptype(firstFPMap), 0x85);
    std::size_t amaps = 0, pmaps = 0, fmaps = 0, fpmaps = 0;
    for (const auto& [ib, page] : sink.m_pages) {
        const std::uint8_t ptype = Ptype(page);
        const std::uint64_t at = (ib - 0x4400) % 253952;
        if (at == 1024 && ptype == 0) continue;  // a section without FMap or FPMap: data there
        ASSERT_EQ(page[497], ptype) << ib;
        ASSERT_EQ(io::GetLittleEndian<std::uint16_t>(page.data() + 498), 0u) << ib;
        ASSERT_EQ(io::GetLittleEndian<std::uint32_t>(page.data() + 500), PstCrc(std::span(page).first(496))) << ib;
        ASSERT_EQ(io::GetLittleEndian<std::uint64_t>(page.data() + 504), ib) << ib;
        if (at == 0) {
            ASSERT_EQ(ptype, 0x84) << ib;
            ++amaps;
            // Six 40 KB allocations after the map pages: the rest is free.
            ASSERT_EQ(page[0] & 0x80, 0x80) << ib;
            ASSERT_EQ(page[495], 0x00) << ib;
        } else if (at == 512) {
            ASSERT_EQ(ptype, 0x83) << ib;
            ++pmaps;
        } else if (ptype == 0x82) {
            ++fmaps;
        } else {
            ASSERT_EQ(ptype, 0x85) << ib;
            ++fpmaps;
        }
    }
    EXPECT_EQ(amaps, count);
    EXPECT_EQ(pmaps, (count + 7) / 8);
    EXPECT_EQ(fmaps, (count - 1 - 128) / 496 + 1);
    EXPECT_EQ(fpmaps, 1u);
    // Every section's free count agrees with its map: 3968 slots less the
    // map pages and six allocations of 640 slots each.
    for (std::uint64_t n = 0; n + 1 < count; ++n) {
        const std::uint64_t maps =
            1 + (n % 8 == 0 ? 1 : 0) + ((n >= 128 && (n - 128) % 496 == 0) || (n == 8192) ? 1 : 0);
        const std::uint64_t used = (maps * 512 + 511) / 512 * 8;
        const std::uint64_t data = (253952 - maps * 512) / 40960 * 640;
        ASSERT_EQ(sections.FreeSlots()[n], 3968 - used - data) << n;
    }
}

TEST(NdbSections, AllocationsThatCannotFitAreRefused) {
    MapKeepingSink sink;
    pst::SectionWriter sections(sink);
    EXPECT_FALSE(sections.Allocate(253952, 64));
    EXPECT_FALSE(sections.Close());
}

}  // namespace
}  // namespace mailvane::testing
