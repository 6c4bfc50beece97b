#pragma once

#include <cstdint>

#include "engine/io/byte_sink.h"

namespace mailvane {

// Bytes made when they are written rather than held: a large value is
// produced piece by piece into the file from what it was made from, so that
// it is never whole in memory. Size() is known before the first byte.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::uint64_t Size() const = 0;
    // Writes exactly Size() bytes, the same ones every time; false when the
    // sink refused them.
    virtual bool WriteTo(ByteSink& sink) const = 0;
};

}  // namespace mailvane
