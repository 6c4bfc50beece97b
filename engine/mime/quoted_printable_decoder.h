#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace mailvane::mime {

// Incremental, lenient quoted-printable: soft line breaks (also with blanks
// after the '=' and with bare LF), trailing blanks before a line break
// removed, line breaks kept as written, an '=' that starts no valid escape
// kept literally. Feeding the input in any number of pieces gives the same
// output as feeding it whole.
class QuotedPrintableDecoder {
public:
    void Feed(std::string_view chunk, std::vector<std::uint8_t>& out);
    void Finish(std::vector<std::uint8_t>& out);
    bool SawInvalidInput() const { return m_invalid; }

private:
    enum class State { Text, Equal, Hex, EqualBlanks, SoftCr };

    void Step(char c, std::vector<std::uint8_t>& out);
    void FlushHeld(std::vector<std::uint8_t>& out);

    State m_state = State::Text;
    std::string m_held;  // blanks not yet known to be trailing, or an unfinished escape
    int m_firstHex = 0;
    bool m_invalid = false;
};

}  // namespace mailvane::mime
