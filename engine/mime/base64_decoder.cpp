#include "engine/mime/base64_decoder.h"

#include <array>
#include <bit>
#include <cstring>

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define MAILVANE_BASE64_RUNS
#include <tmmintrin.h>
#endif

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

#if defined(MAILVANE_BASE64_RUNS)
// Decodes runs of 16 alphabet bytes (four whole quanta) at once into 12
// bytes, and passes over a line break that comes after whole quanta, as
// body lines end; stops before the first run that holds anything else,
// which the quantum-wise steps take. Each store is of 16 bytes, and reaches
// at most four past the most the input can give.
//
// Each byte is classified by its two halves: a table for each half gives a
// set of classes, and a byte is in the alphabet when its two sets do not
// meet. Bytes from 0x80 up have a high half that no alphabet byte has. The
// high half, with '/' set apart, then gives what to add to make the sextet.
[[gnu::target("ssse3")]] void DecodeRunsSsse3(const unsigned char*& input, const unsigned char* end,
                                              std::uint8_t*& output) {
    // Worked on in locals: each store could be to the caller's pointers as
    // far as the compiler knows, which would be read back after every run.
    const unsigned char* in = input;
    std::uint8_t* out = output;
    const __m128i lowHalfClasses =
        _mm_setr_epi8(0x15, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x13, 0x1A, 0x1B, 0x1B, 0x1B, 0x1A);
    const __m128i highHalfClasses =
        _mm_setr_epi8(0x10, 0x10, 0x01, 0x02, 0x04, 0x08, 0x04, 0x08, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10);
    // By high half ('/' at 1): '/' -> 63, '+' -> 62, digits -> 52..61,
    // 'A'..'Z' -> 0..25, 'a'..'z' -> 26..51.
    const __m128i shifts = _mm_setr_epi8(0, 16, 19, 4, -65, -65, -71, -71, 0, 0, 0, 0, 0, 0, 0, 0);
    const __m128i halfMask = _mm_set1_epi8(0x0F);
    const __m128i slashes = _mm_set1_epi8('/');
    // Bytes 2, 1, 0 of each 32-bit lane, the quantum's bytes in order.
    const __m128i packOrder = _mm_setr_epi8(2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1);
    while (end - in >= 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
        const __m128i high = _mm_and_si128(_mm_srli_epi32(bytes, 4), halfMask);
        const __m128i low = _mm_and_si128(bytes, halfMask);
        const __m128i meet =
            _mm_and_si128(_mm_shuffle_epi8(lowHalfClasses, low), _mm_shuffle_epi8(highHalfClasses, high));
        const unsigned alphabet = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(meet, _mm_setzero_si128())));
        const __m128i shift = _mm_shuffle_epi8(shifts, _mm_add_epi8(high, _mm_cmpeq_epi8(bytes, slashes)));
        const __m128i sextets = _mm_add_epi8(bytes, shift);
        // Two sextets to 12 bits in each 16-bit lane, the first one high;
        // then two of those to 24 bits in each 32-bit lane.
        const __m128i pairs = _mm_maddubs_epi16(sextets, _mm_set1_epi32(0x01400140));
        const __m128i quanta = _mm_madd_epi16(pairs, _mm_set1_epi32(0x00011000));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_shuffle_epi8(quanta, packOrder));
        if (alphabet == 0xFFFF) {
            in += 16;
            out += 12;
            continue;
        }
        // The run stops: keep its whole quanta when a line break follows.
        // Both bytes of a CR LF lie in the 16 loaded, whole being 12 at most.
        const auto whole = static_cast<std::size_t>(std::countr_one(alphabet));
        if (whole % 4 != 0) break;
        std::size_t lineBreak = 0;
        if (in[whole] == '\n') {
            lineBreak = 1;
        } else if (in[whole] == '\r' && in[whole + 1] == '\n') {
            lineBreak = 2;
        } else {
            break;
        }
        out += whole / 4 * 3;
        in += whole + lineBreak;
    }
    input = in;
    output = out;
}

bool DetectSsse3() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("ssse3");
}

// Read before it is set (from another file's static initializer), it is
// false, and the portable steps decode.
const bool kHasSsse3 = DetectSsse3();

void DecodeRuns(const unsigned char*& in, const unsigned char* end, std::uint8_t*& out) {
    if (kHasSsse3) DecodeRunsSsse3(in, end, out);
}
#else
void DecodeRuns(const unsigned char*&, const unsigned char*, std::uint8_t*&) {}
#endif

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

std::uint8_t* Base64Decoder::Pad(std::uint8_t* out) {
    if (m_padded) {
        m_ended = true;  // "=" after a whole padding: no encoding joined on begins so
        return out;
    }
    if (m_halfPadded) {
        m_halfPadded = false;
        m_padded = true;
        return out;
    }
    const int held = m_count;
    out = EndQuantum(out);
    if (held == 3) m_padded = true;
    if (held == 2) m_halfPadded = true;
    return out;
}

void Base64Decoder::Feed(std::string_view chunk, std::vector<std::uint8_t>& out) {
    if (m_ended) return;
    // Room for the most the chunk can give, trimmed after: a store per byte
    // rather than a growth check per byte. That most is three bytes for
    // every four sextets, and for sextets left over, which a '=' can end,
    // two bytes for three and one for two; whole quanta alone would count
    // up to two bytes short. The room past it takes the four bytes more
    // that a store of a run of quanta writes.
    const std::size_t sextets = chunk.size() + static_cast<std::size_t>(m_count);
    const std::size_t start = out.size();
    out.resize(start + sextets / 4 * 3 + sextets % 4 * 3 / 4 + 4);
    std::uint8_t* write = out.data() + start;
    const auto* in = reinterpret_cast<const unsigned char*>(chunk.data());
    const auto* end = in + chunk.size();
    while (in < end) {
        // Whole quanta of four alphabet bytes, the bulk of any body, go four
        // at a time where the processor can, then two, then one, and the
        // line breaks between them are passed over here too.
        while (m_count == 0 && !m_padded && !m_halfPadded) {
            DecodeRuns(in, end, write);
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
                write = Pad(write);
            } else if (value == kDamage) {
                if (m_padded) {
                    m_ended = true;
                } else {
                    m_invalid = true;
                }
            }
            if (m_ended) break;
            continue;
        }
        m_padded = false;
        m_halfPadded = false;
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
