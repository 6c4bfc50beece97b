#include "engine/cfb/stream_data.h"

namespace mailvane::cfb {

void StreamData::Append(std::span<const std::uint8_t> bytes) {
    if (bytes.empty()) return;
    m_pieces.push_back(bytes);
    m_size += bytes.size();
}

}  // namespace mailvane::cfb
