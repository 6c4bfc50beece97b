#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace mailvane {

// The decoded Subject of a message (encoded words and 8-bit text read as
// the converter reads them), as UTF-8; empty when it has none. Reads the
// header block only, so that a caller can name a message before it is
// converted.
std::string SubjectOfMessage(std::span<const std::uint8_t> message);

}  // namespace mailvane
