#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace mailvane::mime {

// Incremental, garbage-tolerant base64: bytes outside the alphabet are
// skipped (and counted as damage unless they are line breaks or blanks), a
// '=' ends the current quantum so that concatenated encodings decode, and a
// truncated last quantum yields the bytes it holds. Feeding the input in
// any number of pieces gives the same output as feeding it whole.
class Base64Decoder {
public:
    void Feed(std::string_view chunk, std::vector<std::uint8_t>& out);
    void Finish(std::vector<std::uint8_t>& out);
    // True once anything had to be skipped or guessed.
    bool SawInvalidInput() const { return m_invalid; }

private:
    // Writes what the sextets held so far make at `out`; returns the end.
    std::uint8_t* EndQuantum(std::uint8_t* out);

    std::uint32_t m_bits = 0;
    int m_count = 0;  // sextets held in m_bits
    bool m_invalid = false;
};

}  // namespace mailvane::mime
