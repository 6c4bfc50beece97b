#pragma once

#include <random>
#include <string>

namespace mailvane::rtf {

// Text shaped like RTF (control words, groups, words, line ends), so that
// matches of every length and distance occur.
inline std::string RandomRtfLike(std::mt19937& rng, std::size_t length) {
    static constexpr const char* kPieces[] = {"\\par ", "{",    "}",     "\\b ", "\\f0", "\\fs20 ",     "hello ",
                                              "world",  "\r\n", "\\'e9", " ",    "<p>",  "\\htmlrtf0 ", "x"};
    std::string out;
    while (out.size() < length) {
        if (rng() % 4 == 0) {
            out += static_cast<char>('a' + rng() % 26);
        } else {
            out += kPieces[rng() % std::size(kPieces)];
        }
    }
    out.resize(length);
    return out;
}

inline std::string RandomBytes(std::mt19937& rng, std::size_t length) {
    std::string out(length, '\0');
    for (char& c : out) c = static_cast<char>(rng() & 0xFF);
    return out;
}

inline std::string Repeat(const std::string& piece, std::size_t times) {
    std::string out;
    out.reserve(piece.size() * times);
    for (std::size_t i = 0; i < times; ++i) out += piece;
    return out;
}

}  // namespace mailvane::rtf
