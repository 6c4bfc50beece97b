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

    // Calls `visit` with each range, in order.
    template <typename Visit>
    void VisitPieces(Visit&& visit) const {
        if (!m_first.empty()) visit(m_first);
        for (const auto& piece : m_more) visit(piece);
    }

private:
    // Most streams are one range, kept without an allocation.
    std::span<const std::uint8_t> m_first;
    std::vector<std::span<const std::uint8_t>> m_more;
    std::uint64_t m_size = 0;
};

}  // namespace mailvane::cfb
