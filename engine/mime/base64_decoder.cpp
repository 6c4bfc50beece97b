#include "engine/mime/base64_decoder.h"

#include "engine/mime/ascii_text.h"

namespace mailvane::mime {
namespace {

int SextetValue(char c) {
    if (c >= 'A' && c <= 'Z') {
        return c - 'A';
    }
    if (c >= 'a' && c <= 'z') {
        return c - 'a' + 26;
    }
    if (c >= '0' && c <= '9') {
        return c - '0' + 52;
    }
    if (c == '+') {
        return 62;
    }
    if (c == '/') {
        return 63;
    }
    return -1;
}

}  // namespace

void Base64Decoder::EndQuantum(std::vector<std::uint8_t>& out) {
    if (count_ == 2) {
        out.push_back(static_cast<std::uint8_t>(bits_ >> 4));
    } else if (count_ == 3) {
        out.push_back(static_cast<std::uint8_t>(bits_ >> 10));
        out.push_back(static_cast<std::uint8_t>(bits_ >> 2));
    } else if (count_ == 1) {
        invalid_ = true;  // six bits cannot make a byte
    }
    bits_ = 0;
    count_ = 0;
}

void Base64Decoder::Feed(std::string_view chunk, std::vector<std::uint8_t>& out) {
    for (char c : chunk) {
        const int value = SextetValue(c);
        if (value < 0) {
            if (c == '=') {
                EndQuantum(out);
            } else if (!IsBlank(c) && !IsLineBreak(c)) {
                invalid_ = true;
            }
            continue;
        }
        bits_ = (bits_ << 6) | static_cast<std::uint32_t>(value);
        if (++count_ == 4) {
            out.push_back(static_cast<std::uint8_t>(bits_ >> 16));
            out.push_back(static_cast<std::uint8_t>(bits_ >> 8));
            out.push_back(static_cast<std::uint8_t>(bits_));
            bits_ = 0;
            count_ = 0;
        }
    }
}

void Base64Decoder::Finish(std::vector<std::uint8_t>& out) {
    if (count_ != 0) {
        invalid_ = true;  // the padding is missing
        EndQuantum(out);
    }
}

}  // namespace mailvane::mime
