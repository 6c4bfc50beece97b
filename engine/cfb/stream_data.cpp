#include "engine/cfb/stream_data.h"

namespace mailvane::cfb {

void StreamData::Append(std::span<const std::uint8_t> bytes) {
    if (bytes.empty()) return;
    pieces_.push_back(bytes);
    size_ += bytes.size();
}

}  // namespace mailvane::cfb
