#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <utility>
#include <vector>

namespace mailvane {

// Owns small buffers made while writing (headers, length tables) so that
// spans into them stay valid until the arena goes.
class ByteArena {
public:
    std::span<const std::uint8_t> Keep(std::vector<std::uint8_t> bytes) {
        m_buffers.push_back(std::make_unique<std::vector<std::uint8_t>>(std::move(bytes)));
        return *m_buffers.back();
    }

private:
    std::vector<std::unique_ptr<std::vector<std::uint8_t>>> m_buffers;
};

}  // namespace mailvane
