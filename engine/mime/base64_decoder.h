#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace mailvane::mime {

// Incremental, garbage-tolerant base64: bytes outside the alphabet are
// skipped (and counted as damage unless they are line breaks or blanks), a
// '=' ends the current quantum, and a truncated last quantum yields the
// bytes it holds. The padding that completes a quantum ("==" after two
// sextets, "=" after three) ends the data when what follows it is anything
// but more of the alphabet: a further '=' (an armour checksum "=XXXX"), or
// a byte outside base64 (a footer); the rest is then ignored. Alphabet
// right after the padding is another encoding joined on, and decodes.
// Feeding the input in any number of pieces gives the same output as
// feeding it whole.
class Base64Decoder {
public:
    void Feed(std::string_view chunk, std::vector<std::uint8_t>& out);
    void Finish(std::vector<std::uint8_t>& out);
    // True once anything had to be skipped or guessed.
    bool SawInvalidInput() const { return m_invalid; }
    // True when the data ended at its padding and something followed it.
    bool IgnoredDataAfterPadding() const { return m_ended; }

private:
    // Writes what the sextets held so far make at `out`; returns the end.
    std::uint8_t* EndQuantum(std::uint8_t* out);
    // A '=' at the sextets held so far.
    std::uint8_t* Pad(std::uint8_t* out);

    std::uint32_t m_bits = 0;
    int m_count = 0;            // sextets held in m_bits
    bool m_halfPadded = false;  // one '=' after two sextets: a second completes the padding
    bool m_padded = false;      // the padding completed a quantum: what comes next decides
    bool m_ended = false;       // the data ended at the padding; the rest is ignored
    bool m_invalid = false;
};

}  // namespace mailvane::mime
