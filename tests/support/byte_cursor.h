#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace mailvane::testing {

// Reads little-endian fields from a byte range. A read past the end fails,
// yields zeros, and leaves the cursor failed for good, so a parser can read
// a whole record and check once.
class ByteCursor {
public:
    explicit ByteCursor(std::span<const std::uint8_t> bytes, std::size_t offset = 0)
        : m_bytes(bytes), m_offset(offset), m_ok(offset <= bytes.size()) {}

    std::uint8_t U8() { return static_cast<std::uint8_t>(Read(1)); }
    std::uint16_t U16() { return static_cast<std::uint16_t>(Read(2)); }
    std::uint32_t U32() { return static_cast<std::uint32_t>(Read(4)); }
    std::uint64_t U64() { return Read(8); }

    std::span<const std::uint8_t> Take(std::size_t size) {
        if (!m_ok || size > m_bytes.size() - m_offset) {
            m_ok = false;
            return {};
        }
        const auto piece = m_bytes.subspan(m_offset, size);
        m_offset += size;
        return piece;
    }

    void Skip(std::size_t size) { Take(size); }
    std::size_t Offset() const { return m_offset; }
    std::size_t Remaining() const { return m_ok ? m_bytes.size() - m_offset : 0; }
    bool Ok() const { return m_ok; }

private:
    std::uint64_t Read(std::size_t size) {
        const auto piece = Take(size);
        std::uint64_t value = 0;
        for (std::size_t i = 0; i < piece.size(); ++i) value |= std::uint64_t{piece[i]} << (8 * i);
        return value;
    }

    std::span<const std::uint8_t> m_bytes;
    std::size_t m_offset;
    bool m_ok;
};

}  // namespace mailvane::testing
