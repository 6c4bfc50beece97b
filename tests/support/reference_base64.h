#pragma once

#include <string>
#include <string_view>

namespace mailvane::testing {

// What base64 text decodes to, and whether anything in it had to be passed
// over or guessed.
struct ReferenceDecoded {
    std::string bytes;
    bool invalid = false;
    bool endedAtPadding = false;  // the padding ended the data and something followed
};

// Base64 decoded a byte at a time, as the format describes it: sextets
// gather four to a quantum, '=' ends a quantum early, blanks and line breaks
// are passed over, anything else is passed over and marks the input damaged.
// Padding that completes a quantum ("==" after two sextets, "=" after three)
// ends the data when the next byte that is no blank or line break is a '='
// or damage; more sextets there are an encoding joined on. The measure the
// engine's decoder is held to.
ReferenceDecoded ReferenceBase64(std::string_view input);

}  // namespace mailvane::testing
