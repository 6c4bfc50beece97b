#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace mailvane::tnef {

// Reads little-endian fields front to back. A read past the end fails the
// cursor for good and yields zeros or an empty span, so a parser checks
// Ok() once after a group of reads instead of after each one.
class TnefCursor {
public:
    explicit TnefCursor(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}

    bool Ok() const { return m_ok; }
    bool AtEnd() const { return !m_ok || m_pos == m_bytes.size(); }
    std::size_t Remaining() const { return m_ok ? m_bytes.size() - m_pos : 0; }

    std::uint8_t U8();
    std::uint16_t U16();
    std::uint32_t U32();
    std::uint64_t U64();
    std::span<const std::uint8_t> Take(std::size_t size);
    // Skips the zero padding that follows a value of `size` bytes up to the
    // next multiple of four; writers that drop it at the very end are let be.
    void SkipPadding(std::size_t size);

private:
    std::span<const std::uint8_t> m_bytes;
    std::size_t m_pos = 0;
    bool m_ok = true;
};

}  // namespace mailvane::tnef
