#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace mailvane::testing {

// Reads little-endian fields from a byte range. A read past the end fails,
// yields zeros, and leaves the cursor failed for good, so a parser can read
// a whole record and check once.
class ByteCursor {
public:
    explicit ByteCursor(std::span<const std::uint8_t> bytes, std::size_t offset = 0)
        : bytes_(bytes), offset_(offset), ok_(offset <= bytes.size()) {}

    std::uint8_t U8() { return static_cast<std::uint8_t>(Read(1)); }
    std::uint16_t U16() { return static_cast<std::uint16_t>(Read(2)); }
    std::uint32_t U32() { return static_cast<std::uint32_t>(Read(4)); }
    std::uint64_t U64() { return Read(8); }

    std::span<const std::uint8_t> Take(std::size_t size) {
        if (!ok_ || size > bytes_.size() - offset_) {
            ok_ = false;
            return {};
        }
        const auto piece = bytes_.subspan(offset_, size);
        offset_ += size;
        return piece;
    }

    void Skip(std::size_t size) { Take(size); }
    std::size_t Offset() const { return offset_; }
    std::size_t Remaining() const { return ok_ ? bytes_.size() - offset_ : 0; }
    bool Ok() const { return ok_; }

private:
    std::uint64_t Read(std::size_t size) {
        const auto piece = Take(size);
        std::uint64_t value = 0;
        for (std::size_t i = 0; i < piece.size(); ++i) value |= std::uint64_t{piece[i]} << (8 * i);
        return value;
    }

    std::span<const std::uint8_t> bytes_;
    std::size_t offset_;
    bool ok_;
};

}  // namespace mailvane::testing
