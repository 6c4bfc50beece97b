#include "engine/pst/store_sink.h"

#include <algorithm>

namespace mailvane::pst {

bool MemoryStoreSink::Write(std::span<const std::uint8_t> bytes) {
    m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end());
    return true;
}

bool MemoryStoreSink::Rewrite(std::uint64_t offset, std::span<const std::uint8_t> bytes) {
    if (offset > m_bytes.size() || bytes.size() > m_bytes.size() - offset) return false;
    std::copy(bytes.begin(), bytes.end(), m_bytes.begin() + static_cast<std::ptrdiff_t>(offset));
    return true;
}

}  // namespace mailvane::pst
