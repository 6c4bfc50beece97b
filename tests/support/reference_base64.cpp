#include "tests/support/reference_base64.h"

#include <cstdint>

namespace mailvane::testing {

ReferenceDecoded ReferenceBase64(std::string_view input) {
    static constexpr std::string_view kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    ReferenceDecoded out;
    std::uint32_t bits = 0;
    int count = 0;
    auto endQuantum = [&] {
        if (count == 1) out.invalid = true;
        if (count >= 2) out.bytes += static_cast<char>(count == 2 ? bits >> 4 : bits >> 10);
        if (count == 3) out.bytes += static_cast<char>(bits >> 2);
        bits = 0;
        count = 0;
    };
    // '=' since the last sextet: 0 none, 1 one after two sextets, 2 a whole padding.
    int padding = 0;
    for (char c : input) {
        const std::size_t value = kAlphabet.find(c);
        const bool blank = c == ' ' || c == '\t' || c == '\r' || c == '\n';
        if (padding == 2 && !blank && value == std::string_view::npos) {
            out.endedAtPadding = true;
            break;
        }
        if (value != std::string_view::npos) {
            padding = 0;
            bits = (bits << 6) | static_cast<std::uint32_t>(value);
            if (++count == 4) {
                out.bytes += {static_cast<char>(bits >> 16), static_cast<char>(bits >> 8), static_cast<char>(bits)};
                bits = 0;
                count = 0;
            }
        } else if (c == '=') {
            if (padding == 1) {
                padding = 2;
            } else {
                padding = count == 3 ? 2 : count == 2 ? 1 : 0;
                endQuantum();
            }
        } else if (!blank) {
            out.invalid = true;
        }
    }
    if (count != 0) {
        out.invalid = true;
        endQuantum();
    }
    return out;
}

}  // namespace mailvane::testing
