#include "engine/pst/section_writer.h"

#include <algorithm>
#include <bit>

#include "engine/pst/allocation_map.h"
#include "engine/pst/page_trailer.h"

namespace mailvane::pst {

SectionWriter::SectionWriter(StoreSink& sink) : m_sink(sink), m_buffer(kAMapCoverage), m_bits(kPageDataSize) {}

void SectionWriter::Mark(std::size_t offset, std::size_t size) {
    for (std::size_t slot = offset / kSlotSize; slot < (offset + size + kSlotSize - 1) / kSlotSize; ++slot)
        m_bits[slot / 8] = static_cast<std::uint8_t>(m_bits[slot / 8] | (0x80 >> (slot % 8)));
}

// The map pages come first; their own bits are set like any allocation's.
// PMaps are deprecated ([MS-PST] 2.2.2.7.3): all 1s, every page taken, so
// that readers that still use them find nothing to hand out. The FMap and
// FPMap are not used by Outlook since 2007 SP2 and are left as a fresh
// store's header has their first entries: all 0xFF.
bool SectionWriter::Open() {
    std::fill(m_buffer.begin(), m_buffer.end(), std::uint8_t{0});
    std::fill(m_bits.begin(), m_bits.end(), std::uint8_t{0});
    const std::uint64_t base = AMapOffset(m_section);
    const SectionMaps maps = MapsOfSection(m_section);
    m_used = kPageSize;
    auto page = [&](PageType type) {
        const auto bytes = std::span<std::uint8_t, kPageSize>(m_buffer.data() + m_used, kPageSize);
        std::fill_n(bytes.begin(), kPageDataSize, std::uint8_t{0xFF});
        FinishPage(bytes, type, base + m_used, base + m_used);
        m_used += kPageSize;
    };
    if (maps.pageMap) page(PageType::PageMap);
    if (maps.freeMap) page(PageType::FreeMap);
    if (maps.freePageMap) page(PageType::FreePageMap);
    Mark(0, m_used);
    m_open = true;
    return true;
}

bool SectionWriter::Flush() {
    const std::uint64_t base = AMapOffset(m_section);
    std::copy(m_bits.begin(), m_bits.end(), m_buffer.begin());
    FinishPage(std::span<std::uint8_t, kPageSize>(m_buffer.data(), kPageSize), PageType::AllocationMap, base, base);
    std::size_t used = 0;
    for (const std::uint8_t b : m_bits) used += static_cast<std::size_t>(std::popcount(b));
    m_freeSlots.push_back(static_cast<std::uint16_t>(kSlotsPerAMap - used));
    m_open = false;
    ++m_section;
    if (!m_sink.Write(m_buffer)) m_failed = true;
    return !m_failed;
}

std::optional<SectionWriter::Allocation> SectionWriter::Allocate(std::size_t size, std::size_t alignment) {
    if (m_failed) return std::nullopt;
    // The most a section has room for, after its largest set of maps.
    if (size > kAMapCoverage - 3 * kPageSize) {
        m_failed = true;
        return std::nullopt;
    }
    if (!m_open) Open();
    std::size_t at = (m_used + alignment - 1) / alignment * alignment;
    if (at > kAMapCoverage || size > kAMapCoverage - at) {
        if (!Flush()) return std::nullopt;
        Open();
        at = (m_used + alignment - 1) / alignment * alignment;
        if (size > kAMapCoverage - at) {
            m_failed = true;
            return std::nullopt;
        }
    }
    m_used = at + size;
    Mark(at, size);
    return Allocation{AMapOffset(m_section) + at, std::span<std::uint8_t>(m_buffer.data() + at, size)};
}

bool SectionWriter::Close() {
    if (m_failed) return false;
    if (!m_open) Open();
    return Flush();
}

std::uint64_t SectionWriter::End() const { return AMapOffset(m_section) + (m_open ? kAMapCoverage : 0); }

std::uint64_t SectionWriter::LastAMapOffset() const { return AMapOffset(m_open ? m_section : m_section - 1); }

}  // namespace mailvane::pst
