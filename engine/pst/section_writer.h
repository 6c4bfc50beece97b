#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "engine/pst/allocation_map.h"
#include "engine/pst/ndb_layout.h"
#include "engine/pst/store_sink.h"

namespace mailvane::pst {

// Hands out the bytes of a store after its first AMap, front to back, and
// writes them section by section. An AMap's bits are known only when its
// section is full, so the current section (kAMapCoverage bytes, 248 KiB)
// is kept in memory and written with its map pages once the next
// allocation does not fit or the store ends: nothing after the header and
// the DList is written twice. Besides that buffer, memory holds one free
// count per section written, for the DList.
class SectionWriter {
public:
    // `sink` has the bytes up to the first AMap written already.
    explicit SectionWriter(StoreSink& sink);

    struct Allocation {
        std::uint64_t ib = 0;
        std::span<std::uint8_t> bytes;  // zeroed, valid until the next call
    };
    // `size` bytes (at most a section's room after its maps) at an offset
    // that is a multiple of `alignment` (64 or 512). Nullopt when the sink
    // failed.
    std::optional<Allocation> Allocate(std::size_t size, std::size_t alignment);

    // Writes the last section, whole; the store's size is then End().
    bool Close();

    // The store's size once closed.
    std::uint64_t End() const;
    // What the sink has been given so far: the sections before the open one.
    std::uint64_t Written() const { return AMapOffset(m_section); }
    std::uint64_t LastAMapOffset() const;
    // Free 64-byte slots of every section written, by section.
    const std::vector<std::uint16_t>& FreeSlots() const { return m_freeSlots; }

private:
    bool Open();
    bool Flush();
    void Mark(std::size_t offset, std::size_t size);

    StoreSink& m_sink;
    std::vector<std::uint8_t> m_buffer;
    std::vector<std::uint8_t> m_bits;  // the AMap's 496 bytes, MSB first
    std::uint64_t m_section = 0;       // index of the section in m_buffer
    std::size_t m_used = 0;            // bytes of m_buffer handed out
    bool m_open = false;
    bool m_failed = false;
    std::vector<std::uint16_t> m_freeSlots;
};

}  // namespace mailvane::pst
