#pragma once

#include <string>
#include <string_view>

namespace mailvane::testing {

// What base64 text decodes to, and whether anything in it had to be passed
// over or guessed.
struct ReferenceDecoded {
    std::string bytes;
    bool invalid = false;
};

// Base64 decoded a byte at a time, as the format describes it: sextets
// gather four to a quantum, '=' ends a quantum early, blanks and line breaks
// are passed over, anything else is passed over and marks the input damaged.
// The measure the engine's decoder is held to.
ReferenceDecoded ReferenceBase64(std::string_view input);

}  // namespace mailvane::testing
