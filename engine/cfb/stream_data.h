#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace mailvane::cfb {

// The content of one stream as a sequence of borrowed byte ranges. Nothing
// is copied: whoever appends keeps the bytes alive until the file is
// written. The same range may appear many times.
class StreamData {
public:
    StreamData() = default;
    explicit StreamData(std::span<const std::uint8_t> bytes) { Append(bytes); }

    void Append(std::span<const std::uint8_t> bytes);
    std::uint64_t Size() const { return m_size; }
    const std::vector<std::span<const std::uint8_t>>& Pieces() const { return m_pieces; }

private:
    std::vector<std::span<const std::uint8_t>> m_pieces;
    std::uint64_t m_size = 0;
};

}  // namespace mailvane::cfb
