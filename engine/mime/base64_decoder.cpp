#include "engine/mime/base64_decoder.h"

#include <array>
#include <bit>
#include <cstring>

#include "engine/mime/ascii_text.h"

namespace mailvane::mime {
namespace {

// What a byte is to the decoder: its sextet value, or one of these.
constexpr std::uint8_t kPad = 64;
constexpr std::uint8_t kSkipped = 65;  // a line break or a blank
constexpr std::uint8_t kDamage = 66;

constexpr std::array<std::uint8_t, 256> kByteClasses = [] {
    std::array<std::uint8_t, 256> classes{};
    for (int b = 0; b < 256; ++b) {
        const char c = static_cast<char>(b);
        if (c >= 'A' && c <= 'Z') {
            classes[b] = static_cast<std::uint8_t>(c - 'A');
        } else if (c >= 'a' && c <= 'z') {
            classes[b] = static_cast<std::uint8_t>(c - 'a' + 26);
        } else if (c >= '0' && c <= '9') {
            classes[b] = static_cast<std::uint8_t>(c - '0' + 52);
        } else if (c == '+') {
            classes[b] = 62;
        } else if (c == '/') {
            classes[b] = 63;
        } else if (c == '=') {
            classes[b] = kPad;
        } else if (IsBlank(c) || IsLineBreak(c)) {
            classes[b] = kSkipped;
        } else {
            classes[b] = kDamage;
        }
    }
    return classes;
}();

// For each place in a quantum of four, a byte's sextet already shifted to
// that place, or kNotSextet for a byte that is none: a whole quantum is
// the OR of four lookups, and one test tells whether it was whole.
constexpr std::uint32_t kNotSextet = 0x80000000u;
constexpr std::array<std::array<std::uint32_t, 256>, 4> kPlacedSextets = [] {
    std::array<std::array<std::uint32_t, 256>, 4> placed{};
    for (int place = 0; place < 4; ++place) {
        for (int b = 0; b < 256; ++b) {
            const std::uint32_t value = kByteClasses[b];
            placed[place][b] = value < kPad ? value << (18 - 6 * place) : kNotSextet;
        }
    }
    return placed;
}();

// The 24 bits of the quantum at `in`, with kNotSextet set when any of its
// four bytes is no sextet.
std::uint32_t QuantumAt(const unsigned char* in) {
    return kPlacedSextets[0][in[0]] | kPlacedSextets[1][in[1]] | kPlacedSextets[2][in[2]] | kPlacedSextets[3][in[3]];
}

// The eight bytes of `value`, highest first.
void PutHighBytesFirst(std::uint8_t* at, std::uint64_t value) {
    if constexpr (std::endian::native == std::endian::little) value = __builtin_bswap64(value);
    std::memcpy(at, &value, sizeof value);
}

}  // namespace

std::uint8_t* Base64Decoder::EndQuantum(std::uint8_t* out) {
    if (m_count == 2) {
        *out++ = static_cast<std::uint8_t>(m_bits >> 4);
    } else if (m_count == 3) {
        *out++ = static_cast<std::uint8_t>(m_bits >> 10);
        *out++ = static_cast<std::uint8_t>(m_bits >> 2);
    } else if (m_count == 1) {
        m_invalid = true;  // six bits cannot make a byte
    }
    m_bits = 0;
    m_count = 0;
    return out;
}

void Base64Decoder::Feed(std::string_view chunk, std::vector<std::uint8_t>& out) {
    // Room for the most the chunk can give, trimmed after: a store per byte
    // rather than a growth check per byte. The room past the last quantum
    // takes the two bytes more that a store of two quanta at once writes.
    const std::size_t start = out.size();
    out.resize(start + (chunk.size() + static_cast<std::size_t>(m_count)) / 4 * 3 + 3);
    std::uint8_t* write = out.data() + start;
    const auto* in = reinterpret_cast<const unsigned char*>(chunk.data());
    const auto* end = in + chunk.size();
    while (in < end) {
        // Whole quanta of four alphabet bytes, the bulk of any body, go two
        // at a time, then one, and the line breaks between them are passed
        // over here too.
        while (m_count == 0) {
            for (; end - in >= 8; in += 8) {
                const std::uint32_t first = QuantumAt(in);
                const std::uint32_t second = QuantumAt(in + 4);
                if (((first | second) & kNotSextet) != 0) break;
                PutHighBytesFirst(write, (std::uint64_t{first} << 40) | (std::uint64_t{second} << 16));
                write += 6;
            }
            for (; end - in >= 4; in += 4) {
                const std::uint32_t bits = QuantumAt(in);
                if ((bits & kNotSextet) != 0) break;
                write[0] = static_cast<std::uint8_t>(bits >> 16);
                write[1] = static_cast<std::uint8_t>(bits >> 8);
                write[2] = static_cast<std::uint8_t>(bits);
                write += 3;
            }
            if (end - in >= 2 && in[0] == '\r' && in[1] == '\n') {
                in += 2;
            } else if (in != end && in[0] == '\n') {
                ++in;
            } else {
                break;
            }
        }
        if (in == end) break;
        const std::uint8_t value = kByteClasses[*in++];
        if (value >= kPad) {
            if (value == kPad) {
                write = EndQuantum(write);
            } else if (value == kDamage) {
                m_invalid = true;
            }
            continue;
        }
        m_bits = (m_bits << 6) | value;
        if (++m_count == 4) {
            *write++ = static_cast<std::uint8_t>(m_bits >> 16);
            *write++ = static_cast<std::uint8_t>(m_bits >> 8);
            *write++ = static_cast<std::uint8_t>(m_bits);
            m_bits = 0;
            m_count = 0;
        }
    }
    out.resize(static_cast<std::size_t>(write - out.data()));
}

void Base64Decoder::Finish(std::vector<std::uint8_t>& out) {
    if (m_count != 0) {
        m_invalid = true;  // the padding is missing
        const std::size_t start = out.size();
        out.resize(start + 2);
        out.resize(static_cast<std::size_t>(EndQuantum(out.data() + start) - out.data()));
    }
}

}  // namespace mailvane::mime
