#pragma once

#include <string_view>

#include "engine/msg/property_value.h"

namespace mailvane::rtf {

// The value of PidTagRtfCompressed for `rtf`: the 16-byte header (sizes,
// "LZFu", CRC-32 of the compressed contents) and the LZFu stream, matched
// against the 4096-byte window that starts out holding the standard
// 207-byte RTF prefix, so the usual RTF preamble costs a few references.
msg::Bytes CompressRtf(std::string_view rtf);

}  // namespace mailvane::rtf
