#include "engine/cfb/stream_data.h"

namespace mailvane::cfb {

void StreamData::Append(std::span<const std::uint8_t> bytes) {
    if (bytes.empty()) return;
    if (m_first.empty()) {
        m_first = bytes;
    } else {
        m_more.push_back(bytes);
    }
    m_size += bytes.size();
}

}  // namespace mailvane::cfb
