#pragma once

#include <cstddef>
#include <cstdint>

namespace mailvane {

// Where a reader takes its bytes from, front to back: a file, a pipe, bytes
// in memory. The counterpart of ByteSink.
class ByteInput {
public:
    virtual ~ByteInput() = default;
    // Puts up to `size` bytes at `data` and sets `got`; 0 bytes means the
    // end. False when reading failed.
    virtual bool Read(std::uint8_t* data, std::size_t size, std::size_t& got) = 0;
};

}  // namespace mailvane
