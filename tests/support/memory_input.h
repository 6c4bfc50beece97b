#pragma once

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

#include "engine/io/byte_input.h"

namespace mailvane::testing {

// Bytes held in memory, handed out at most `piece` bytes per read, so that
// readers meet every way their input can be cut.
class MemoryInput final : public ByteInput {
public:
    explicit MemoryInput(std::string_view bytes, std::size_t piece = 1 << 20) : m_bytes(bytes), m_piece(piece) {}
    bool Read(std::uint8_t* data, std::size_t size, std::size_t& got) override {
        got = std::min({size, m_piece, m_bytes.size() - m_at});
        std::memcpy(data, m_bytes.data() + m_at, got);
        m_at += got;
        return true;
    }

private:
    std::string m_bytes;
    std::size_t m_piece;
    std::size_t m_at = 0;
};

}  // namespace mailvane::testing
