#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "engine/msg/property_value.h"

namespace mailvane::rtf {

// Builds the value of PidTagRtfCompressed from RTF handed over piece by
// piece, so that a large body is never held as RTF text: only the window the
// format looks back into and the compressed bytes are kept. The output is the
// same however the text is split.
class RtfCompressor {
public:
    // The expected length of the RTF, when known, sizes the output once.
    explicit RtfCompressor(std::size_t expectedRtfSize = 0);
    ~RtfCompressor();
    RtfCompressor(const RtfCompressor&) = delete;
    RtfCompressor& operator=(const RtfCompressor&) = delete;

    void Append(std::string_view rtf);
    // The 16-byte header (sizes, "LZFu", CRC-32 of the compressed contents)
    // and the LZFu stream. Ends the compressor's use.
    msg::Bytes Finish();

private:
    class Encoder;
    class Spares;
    std::unique_ptr<Encoder> m_encoder;
};

// The value of PidTagRtfCompressed for `rtf`, matched against the 4096-byte
// window that starts out holding the standard 207-byte RTF prefix, so the
// usual RTF preamble costs a few references.
msg::Bytes CompressRtf(std::string_view rtf);

}  // namespace mailvane::rtf
