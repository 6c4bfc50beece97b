#pragma once

#include <cstdint>
#include <vector>

namespace mailvane::testing {

// Deterministic stream content that the Python check computes the same way:
// byte i of the stream with seed s is (s * 31 + i * 7 + (i >> 8)) mod 256.
inline std::vector<std::uint8_t> GeneratedContent(std::uint32_t seed, std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(seed * 31 + i * 7 + (i >> 8));
    return bytes;
}

}  // namespace mailvane::testing
