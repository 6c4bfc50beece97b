#include "engine/tnef/tnef_cursor.h"

#include "engine/io/little_endian.h"

namespace mailvane::tnef {

std::span<const std::uint8_t> TnefCursor::Take(std::size_t size) {
    if (!m_ok || size > m_bytes.size() - m_pos) {
        m_ok = false;
        return {};
    }
    const std::span<const std::uint8_t> taken = m_bytes.subspan(m_pos, size);
    m_pos += size;
    return taken;
}

std::uint8_t TnefCursor::U8() {
    const auto b = Take(1);
    return b.empty() ? 0 : b[0];
}

std::uint16_t TnefCursor::U16() {
    const auto b = Take(2);
    return b.empty() ? 0 : io::GetU16(b.data());
}

std::uint32_t TnefCursor::U32() {
    const auto b = Take(4);
    return b.empty() ? 0 : io::GetU32(b.data());
}

std::uint64_t TnefCursor::U64() {
    const auto b = Take(8);
    return b.empty() ? 0 : io::GetU64(b.data());
}

void TnefCursor::SkipPadding(std::size_t size) {
    const std::size_t pad = (4 - size % 4) % 4;
    if (!m_ok) return;
    m_pos += pad < m_bytes.size() - m_pos ? pad : m_bytes.size() - m_pos;
}

}  // namespace mailvane::tnef
