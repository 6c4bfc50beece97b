#include "eml2msg/store_file_sink.h"

namespace mailvane::cli {

bool StoreFileSink::Write(std::span<const std::uint8_t> bytes) { return m_file.Write(bytes.data(), bytes.size()); }

bool StoreFileSink::Rewrite(std::uint64_t offset, std::span<const std::uint8_t> bytes) {
    return m_file.Rewrite(offset, bytes.data(), bytes.size());
}

}  // namespace mailvane::cli
