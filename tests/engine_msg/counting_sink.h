#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/io/byte_sink.h"

namespace mailvane::testing {

// Counts bytes without keeping them; refuses everything after `limit`.
class CountingSink final : public ByteSink {
public:
    explicit CountingSink(std::uint64_t limit = ~std::uint64_t{0}) : limit_(limit) {}

    bool Write(const std::uint8_t*, std::size_t size) override {
        ++calls_;
        if (count_ + size > limit_) return false;
        count_ += size;
        return true;
    }

    std::uint64_t Count() const { return count_; }
    std::uint64_t Calls() const { return calls_; }

private:
    std::uint64_t limit_;
    std::uint64_t count_ = 0;
    std::uint64_t calls_ = 0;
};

}  // namespace mailvane::testing
