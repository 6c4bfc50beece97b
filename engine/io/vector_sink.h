#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "engine/io/byte_sink.h"

namespace mailvane {

// Collects everything written into memory; for tests and small outputs.
class VectorSink final : public ByteSink {
public:
    bool Write(const std::uint8_t* data, std::size_t size) override;
    const std::vector<std::uint8_t>& Bytes() const { return m_bytes; }
    std::vector<std::uint8_t> Take() { return std::move(m_bytes); }

private:
    std::vector<std::uint8_t> m_bytes;
};

}  // namespace mailvane
