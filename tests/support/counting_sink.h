#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/io/byte_sink.h"

namespace mailvane::testing {

// Counts bytes without keeping them; refuses everything after `limit`.
class CountingSink final : public ByteSink {
public:
    explicit CountingSink(std::uint64_t limit = ~std::uint64_t{0}) : m_limit(limit) {}

    bool Write(const std::uint8_t*, std::size_t size) override {
        ++m_calls;
        if (m_count + size > m_limit) return false;
        m_count += size;
        return true;
    }

    std::uint64_t Count() const { return m_count; }
    std::uint64_t Calls() const { return m_calls; }

private:
    std::uint64_t m_limit;
    std::uint64_t m_count = 0;
    std::uint64_t m_calls = 0;
};

}  // namespace mailvane::testing
