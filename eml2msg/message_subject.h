#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace mailvane::cli {

// The decoded Subject of a message (encoded words and 8-bit text read as
// the converter reads them), as UTF-8; empty when it has none. Reads the
// header block only.
std::string SubjectOf(const std::vector<std::uint8_t>& message);

}  // namespace mailvane::cli
