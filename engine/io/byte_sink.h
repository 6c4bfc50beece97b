#pragma once

#include <cstddef>
#include <cstdint>

namespace mailvane {

// Where a writer puts its bytes, in order. A sink that fails stays failed;
// the writer stops at the first false and reports it.
class ByteSink {
public:
    virtual ~ByteSink() = default;
    virtual bool Write(const std::uint8_t* data, std::size_t size) = 0;
};

}  // namespace mailvane
