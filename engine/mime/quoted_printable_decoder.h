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
    bool SawInvalidInput() const { return invalid_; }

private:
    enum class State { Text, Equal, Hex, EqualBlanks, SoftCr };

    void Step(char c, std::vector<std::uint8_t>& out);
    void FlushHeld(std::vector<std::uint8_t>& out);

    State state_ = State::Text;
    std::string held_;  // blanks not yet known to be trailing, or an unfinished escape
    int firstHex_ = 0;
    bool invalid_ = false;
};

}  // namespace mailvane::mime
