#pragma once

#include <cstddef>
#include <cstdint>

namespace mailvane::cli {

// Where a reader takes its bytes from, front to back.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Puts up to `size` bytes at `data` and sets `got`; 0 bytes means the
    // end. False when reading failed.
    virtual bool Read(std::uint8_t* data, std::size_t size, std::size_t& got) = 0;
};

}  // namespace mailvane::cli
