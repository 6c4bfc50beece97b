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
    if (m_count == 2) {
        out.push_back(static_cast<std::uint8_t>(m_bits >> 4));
    } else if (m_count == 3) {
        out.push_back(static_cast<std::uint8_t>(m_bits >> 10));
        out.push_back(static_cast<std::uint8_t>(m_bits >> 2));
    } else if (m_count == 1) {
        m_invalid = true;  // six bits cannot make a byte
    }
    m_bits = 0;
    m_count = 0;
}

void Base64Decoder::Feed(std::string_view chunk, std::vector<std::uint8_t>& out) {
    for (char c : chunk) {
        const int value = SextetValue(c);
        if (value < 0) {
            if (c == '=') {
                EndQuantum(out);
            } else if (!IsBlank(c) && !IsLineBreak(c)) {
                m_invalid = true;
            }
            continue;
        }
        m_bits = (m_bits << 6) | static_cast<std::uint32_t>(value);
        if (++m_count == 4) {
            out.push_back(static_cast<std::uint8_t>(m_bits >> 16));
            out.push_back(static_cast<std::uint8_t>(m_bits >> 8));
            out.push_back(static_cast<std::uint8_t>(m_bits));
            m_bits = 0;
            m_count = 0;
        }
    }
}

void Base64Decoder::Finish(std::vector<std::uint8_t>& out) {
    if (m_count != 0) {
        m_invalid = true;  // the padding is missing
        EndQuantum(out);
    }
}

}  // namespace mailvane::mime
