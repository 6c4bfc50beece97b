#include "engine/io/vector_sink.h"

namespace mailvane {

bool VectorSink::Write(const std::uint8_t* data, std::size_t size) {
    m_bytes.insert(m_bytes.end(), data, data + size);
    return true;
}

}  // namespace mailvane
