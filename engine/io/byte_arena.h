#pragma once

#include <cstdint>
#include <span>
#include <utility>
#include <vector>

namespace mailvane {

// Owns small buffers made while writing (headers, length tables) so that
// spans into them stay valid until the arena goes. A span names a buffer's
// bytes, which stay where they are when the vectors holding them are moved
// as the arena grows.
class ByteArena {
public:
    std::span<const std::uint8_t> Keep(std::vector<std::uint8_t> bytes) {
        m_buffers.push_back(std::move(bytes));
        return m_buffers.back();
    }

private:
    std::vector<std::vector<std::uint8_t>> m_buffers;
};

}  // namespace mailvane
