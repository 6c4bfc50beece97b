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
        buffers_.push_back(std::make_unique<std::vector<std::uint8_t>>(std::move(bytes)));
        return *buffers_.back();
    }

private:
    std::vector<std::unique_ptr<std::vector<std::uint8_t>>> buffers_;
};

}  // namespace mailvane
