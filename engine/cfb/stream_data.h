#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "engine/io/byte_sink.h"
#include "engine/io/byte_source.h"

namespace mailvane::cfb {

// The content of one stream as a sequence of borrowed byte ranges, or as one
// borrowed source that makes its bytes when the file is written. Nothing is
// copied: whoever appends keeps the bytes or the source alive until the
// file is written. The same range may appear many times.
class StreamData {
public:
    StreamData() = default;
    explicit StreamData(std::span<const std::uint8_t> bytes) { Append(bytes); }
    explicit StreamData(const ByteSource& source) : m_source(&source), m_size(source.Size()) {}

    void Append(std::span<const std::uint8_t> bytes);
    std::uint64_t Size() const { return m_size; }

    // Hands the bytes to `sink` in order. False when the sink refused them
    // or a source wrote another number of bytes than it said it would. A
    // template, so that ranges reach a final sink's Write without a virtual
    // call: a message file has hundreds of small streams.
    template <typename Sink>
    bool WriteTo(Sink& sink) const {
        if (m_source) return WriteSource(sink);
        if (!m_first.empty() && !sink.Write(m_first.data(), m_first.size())) return false;
        for (const auto& piece : m_more) {
            if (!sink.Write(piece.data(), piece.size())) return false;
        }
        return true;
    }

private:
    bool WriteSource(ByteSink& sink) const;

    // Most streams are one range, kept without an allocation.
    std::span<const std::uint8_t> m_first;
    std::vector<std::span<const std::uint8_t>> m_more;
    const ByteSource* m_source = nullptr;
    std::uint64_t m_size = 0;
};

}  // namespace mailvane::cfb
