#include "engine/io/vector_sink.h"

namespace mailvane {

bool VectorSink::Write(const std::uint8_t* data, std::size_t size) {
    bytes_.insert(bytes_.end(), data, data + size);
    return true;
}

}  // namespace mailvane
