#include "engine/charset/builtin_decoders.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

#include "engine/text/utf16.h"
#include "engine/text/utf8.h"

namespace mailvane::charset {
namespace {

// Windows maps the five bytes that windows-1252 leaves unassigned to the C1
// controls of the same value; so do we, so that no byte is ever lost.
constexpr std::array<char16_t, 32> kWindows1252High{0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                                    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                                    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                                    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// Bytes 0xA0 to 0xFF; the lower half is ASCII and C1 controls.
using UpperHalf = std::array<char16_t, 96>;
constexpr UpperHalf kLatin10{
    0x00A0, 0x0104, 0x0112, 0x0122, 0x012A, 0x0128, 0x0136, 0x00A7, 0x013B, 0x0110, 0x0160, 0x0166, 0x017D, 0x00AD,
    0x016A, 0x014A, 0x00B0, 0x0105, 0x0113, 0x0123, 0x012B, 0x0129, 0x0137, 0x00B7, 0x013C, 0x0111, 0x0161, 0x0167,
    0x017E, 0x2015, 0x016B, 0x014B, 0x0100, 0x00C1, 0x00C2, 0x00C3, 0x00C4, 0x00C5, 0x00C6, 0x012E, 0x010C, 0x00C9,
    0x0118, 0x00CB, 0x0116, 0x00CD, 0x00CE, 0x00CF, 0x00D0, 0x0145, 0x014C, 0x00D3, 0x00D4, 0x00D5, 0x00D6, 0x0168,
    0x00D8, 0x0172, 0x00DA, 0x00DB, 0x00DC, 0x00DD, 0x00DE, 0x00DF, 0x0101, 0x00E1, 0x00E2, 0x00E3, 0x00E4, 0x00E5,
    0x00E6, 0x012F, 0x010D, 0x00E9, 0x0119, 0x00EB, 0x0117, 0x00ED, 0x00EE, 0x00EF, 0x00F0, 0x0146, 0x014D, 0x00F3,
    0x00F4, 0x00F5, 0x00F6, 0x0169, 0x00F8, 0x0173, 0x00FA, 0x00FB, 0x00FC, 0x00FD, 0x00FE, 0x0138};
constexpr UpperHalf kLatin14{
    0x00A0, 0x1E02, 0x1E03, 0x00A3, 0x010A, 0x010B, 0x1E0A, 0x00A7, 0x1E80, 0x00A9, 0x1E82, 0x1E0B, 0x1EF2, 0x00AD,
    0x00AE, 0x0178, 0x1E1E, 0x1E1F, 0x0120, 0x0121, 0x1E40, 0x1E41, 0x00B6, 0x1E56, 0x1E81, 0x1E57, 0x1E83, 0x1E60,
    0x1EF3, 0x1E84, 0x1E85, 0x1E61, 0x00C0, 0x00C1, 0x00C2, 0x00C3, 0x00C4, 0x00C5, 0x00C6, 0x00C7, 0x00C8, 0x00C9,
    0x00CA, 0x00CB, 0x00CC, 0x00CD, 0x00CE, 0x00CF, 0x0174, 0x00D1, 0x00D2, 0x00D3, 0x00D4, 0x00D5, 0x00D6, 0x1E6A,
    0x00D8, 0x00D9, 0x00DA, 0x00DB, 0x00DC, 0x00DD, 0x0176, 0x00DF, 0x00E0, 0x00E1, 0x00E2, 0x00E3, 0x00E4, 0x00E5,
    0x00E6, 0x00E7, 0x00E8, 0x00E9, 0x00EA, 0x00EB, 0x00EC, 0x00ED, 0x00EE, 0x00EF, 0x0175, 0x00F1, 0x00F2, 0x00F3,
    0x00F4, 0x00F5, 0x00F6, 0x1E6B, 0x00F8, 0x00F9, 0x00FA, 0x00FB, 0x00FC, 0x00FD, 0x0177, 0x00FF};
constexpr UpperHalf kLatin16{
    0x00A0, 0x0104, 0x0105, 0x0141, 0x20AC, 0x201E, 0x0160, 0x00A7, 0x0161, 0x00A9, 0x0218, 0x00AB, 0x0179, 0x00AD,
    0x017A, 0x017B, 0x00B0, 0x00B1, 0x010C, 0x0142, 0x017D, 0x201D, 0x00B6, 0x00B7, 0x017E, 0x010D, 0x0219, 0x00BB,
    0x0152, 0x0153, 0x0178, 0x017C, 0x00C0, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0106, 0x00C6, 0x00C7, 0x00C8, 0x00C9,
    0x00CA, 0x00CB, 0x00CC, 0x00CD, 0x00CE, 0x00CF, 0x0110, 0x0143, 0x00D2, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x015A,
    0x0170, 0x00D9, 0x00DA, 0x00DB, 0x00DC, 0x0118, 0x021A, 0x00DF, 0x00E0, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x0107,
    0x00E6, 0x00E7, 0x00E8, 0x00E9, 0x00EA, 0x00EB, 0x00EC, 0x00ED, 0x00EE, 0x00EF, 0x0111, 0x0144, 0x00F2, 0x00F3,
    0x00F4, 0x0151, 0x00F6, 0x015B, 0x0171, 0x00F9, 0x00FA, 0x00FB, 0x00FC, 0x0119, 0x021B, 0x00FF};

std::uint8_t Byte(char c) { return static_cast<std::uint8_t>(c); }

// A JIS X 0208 row/cell pair (each 0x21..0x7E) as Shift_JIS.
void AppendJisAsShiftJis(std::string& out, std::uint8_t j1, std::uint8_t j2) {
    const unsigned s1 = ((j1 + 1u) >> 1) + (j1 <= 0x5E ? 0x70u : 0xB0u);
    unsigned s2;
    if (j1 & 1u) {
        s2 = j2 + (j2 >= 0x60 ? 0x20u : 0x1Fu);
    } else {
        s2 = j2 + 0x7Eu;
    }
    out.push_back(static_cast<char>(s1));
    out.push_back(static_cast<char>(s2));
}

bool IsJisByte(std::uint8_t b) { return b >= 0x21 && b <= 0x7E; }

}  // namespace

namespace {

std::size_t Utf8Start(std::string_view bytes) { return bytes.starts_with("\xEF\xBB\xBF") ? 3 : 0; }

// Text is mostly ASCII: eight bytes are tested at once.
constexpr std::size_t kAsciiBlock = 8;

bool IsAsciiBlock(const char* at) {
    std::uint64_t block;
    std::memcpy(&block, at, sizeof block);
    return (block & 0x8080808080808080u) == 0;
}

// The eight ASCII bytes at `at` as eight code units at `out`: on a
// little-endian processor each half of the block is spread to four units
// in a register and stored at once.
void WidenAsciiBlock(const char* at, char16_t* out) {
    if constexpr (std::endian::native == std::endian::little) {
        std::uint64_t block;
        std::memcpy(&block, at, sizeof block);
        const auto spread = [](std::uint64_t four) {
            four = (four | (four << 16)) & 0x0000FFFF0000FFFFu;
            return (four | (four << 8)) & 0x00FF00FF00FF00FFu;
        };
        const std::uint64_t low = spread(block & 0xFFFFFFFFu);
        const std::uint64_t high = spread(block >> 32);
        std::memcpy(out, &low, sizeof low);
        std::memcpy(out + 4, &high, sizeof high);
    } else {
        for (std::size_t k = 0; k < kAsciiBlock; ++k) out[k] = Byte(at[k]);
    }
}

// Widens the leading blocks of `bytes` that are all ASCII into `out`, one
// unit per byte; returns how many bytes that took (a multiple of
// kAsciiBlock, 0 when the first block is not ASCII or too short).
std::size_t WidenAsciiBlocks(std::string_view bytes, char16_t* out) {
    std::size_t i = 0;
    while (bytes.size() - i >= kAsciiBlock && IsAsciiBlock(bytes.data() + i)) {
        WidenAsciiBlock(bytes.data() + i, out + i);
        i += kAsciiBlock;
    }
    return i;
}

// `size` code units with room for `room` more.
std::u16string SizedText(std::size_t size, std::size_t room) {
    std::u16string text;
    text.reserve(size + room);
    text.resize(size);
    return text;
}

}  // namespace

std::optional<std::u16string> DecodeUtf8Strict(std::string_view bytes, std::size_t room) {
    std::size_t i = Utf8Start(bytes);
    // No sequence gives more code units than it has bytes, so the text is
    // written into room made once and trimmed after.
    std::u16string out = SizedText(bytes.size() - i, room);
    char16_t* write = out.data();
    while (i < bytes.size()) {
        if (bytes.size() - i >= kAsciiBlock && IsAsciiBlock(bytes.data() + i)) {
            WidenAsciiBlock(bytes.data() + i, write);
            write += kAsciiBlock;
            i += kAsciiBlock;
            continue;
        }
        const std::uint8_t b = Byte(bytes[i]);
        if (b < 0x80) {
            *write++ = b;
            ++i;
            continue;
        }
        char32_t cp = 0;
        const std::size_t length = text::DecodeUtf8(bytes, i, cp);
        if (length == 0) {
            return std::nullopt;
        }
        write = text::PutUtf16(write, cp);
        i += length;
    }
    out.resize(static_cast<std::size_t>(write - out.data()));
    return out;
}

std::u16string DecodeUtf8Replacing(std::string_view bytes, bool& replaced, std::size_t room) {
    replaced = false;
    std::size_t i = Utf8Start(bytes);
    std::u16string out = SizedText(bytes.size() - i, room);
    char16_t* write = out.data();
    while (i < bytes.size()) {
        const std::uint8_t b = Byte(bytes[i]);
        if (b < 0x80) {
            *write++ = b;
            ++i;
            continue;
        }
        char32_t cp = 0;
        if (const std::size_t length = text::DecodeUtf8(bytes, i, cp); length != 0) {
            write = text::PutUtf16(write, cp);
            i += length;
            continue;
        }
        // The bytes that could still begin a valid sequence are taken with
        // the lead byte into one replacement; the first that cannot is read
        // again as a start of its own.
        std::size_t needed = 0;
        std::uint8_t lower = 0x80, upper = 0xBF;
        if (b >= 0xC2 && b <= 0xDF) {
            needed = 1;
        } else if (b >= 0xE0 && b <= 0xEF) {
            needed = 2, lower = b == 0xE0 ? 0xA0 : 0x80, upper = b == 0xED ? 0x9F : 0xBF;
        } else if (b >= 0xF0 && b <= 0xF4) {
            needed = 3, lower = b == 0xF0 ? 0x90 : 0x80, upper = b == 0xF4 ? 0x8F : 0xBF;
        }
        ++i;
        for (std::size_t seen = 0; seen < needed && i < bytes.size(); ++seen) {
            const std::uint8_t c = Byte(bytes[i]);
            if (c < lower || c > upper) break;
            lower = 0x80, upper = 0xBF;
            ++i;
        }
        *write++ = u'\uFFFD';
        replaced = true;
    }
    out.resize(static_cast<std::size_t>(write - out.data()));
    return out;
}

bool IsStrictUtf8(std::string_view bytes) {
    std::size_t i = Utf8Start(bytes);
    while (i < bytes.size()) {
        if (bytes.size() - i >= kAsciiBlock && IsAsciiBlock(bytes.data() + i)) {
            i += kAsciiBlock;
            continue;
        }
        if (Byte(bytes[i]) < 0x80) {
            ++i;
            continue;
        }
        char32_t cp = 0;
        const std::size_t length = text::DecodeUtf8(bytes, i, cp);
        if (length == 0) {
            return false;
        }
        i += length;
    }
    return true;
}

bool IsAscii(std::string_view bytes) {
    std::size_t i = 0;
    for (; bytes.size() - i >= kAsciiBlock; i += kAsciiBlock) {
        if (!IsAsciiBlock(bytes.data() + i)) return false;
    }
    for (; i < bytes.size(); ++i) {
        if (Byte(bytes[i]) >= 0x80) return false;
    }
    return true;
}

std::optional<std::u16string> DecodeAsciiStrict(std::string_view bytes, std::size_t room) {
    std::u16string out = SizedText(bytes.size(), room);
    std::size_t i = WidenAsciiBlocks(bytes, out.data());
    for (; i < bytes.size(); ++i) {
        if (Byte(bytes[i]) >= 0x80) {
            return std::nullopt;
        }
        out[i] = Byte(bytes[i]);
    }
    return out;
}

std::optional<std::u16string> DecodeUtf16(std::string_view bytes, bool bigEndian, bool honourByteOrderMark,
                                          bool& replacedDanglingByte) {
    // A cut last code unit spoils only itself: the characters before it are
    // whole, and the byte left over becomes U+FFFD as the WHATWG decoder
    // reads an incomplete end.
    replacedDanglingByte = bytes.size() % 2 != 0;
    if (replacedDanglingByte) {
        bytes.remove_suffix(1);
    }
    std::size_t i = 0;
    if (honourByteOrderMark && bytes.size() >= 2) {
        if (bytes.starts_with("\xFF\xFE")) {
            bigEndian = false, i = 2;
        } else if (bytes.starts_with("\xFE\xFF")) {
            bigEndian = true, i = 2;
        }
    }
    std::u16string out;
    out.reserve(bytes.size() / 2);
    for (; i < bytes.size(); i += 2) {
        const std::uint8_t hi = Byte(bytes[bigEndian ? i : i + 1]);
        const std::uint8_t lo = Byte(bytes[bigEndian ? i + 1 : i]);
        out.push_back(static_cast<char16_t>((hi << 8) | lo));
    }
    // Unpaired surrogates mean the bytes are not UTF-16 of this order.
    for (std::size_t k = 0; k < out.size(); ++k) {
        const char16_t u = out[k];
        if (u >= 0xD800 && u <= 0xDBFF) {
            if (k + 1 >= out.size() || out[k + 1] < 0xDC00 || out[k + 1] > 0xDFFF) {
                return std::nullopt;
            }
            ++k;
        } else if (u >= 0xDC00 && u <= 0xDFFF) {
            return std::nullopt;
        }
    }
    if (replacedDanglingByte) {
        out.push_back(u'\uFFFD');
    }
    return out;
}

std::u16string DecodeWindows1252(std::string_view bytes, std::size_t room) {
    std::u16string out = SizedText(bytes.size(), room);
    std::size_t i = 0;
    while (i < bytes.size()) {
        i += WidenAsciiBlocks(bytes.substr(i), out.data() + i);
        // Up to the next block that is all ASCII.
        const std::size_t stop = std::min(bytes.size(), i + kAsciiBlock);
        for (; i < stop; ++i) {
            const std::uint8_t b = Byte(bytes[i]);
            out[i] = b >= 0x80 && b < 0xA0 ? kWindows1252High[b - 0x80] : char16_t{b};
        }
    }
    return out;
}

std::u16string DecodeIsoLatinTable(std::string_view bytes, UpperHalfTable table, std::size_t room) {
    const UpperHalf& upper = table == UpperHalfTable::Latin10   ? kLatin10
                             : table == UpperHalfTable::Latin14 ? kLatin14
                                                                : kLatin16;
    std::u16string out;
    out.reserve(bytes.size() + room);
    for (char c : bytes) {
        const std::uint8_t b = Byte(c);
        out.push_back(b >= 0xA0 ? upper[b - 0xA0] : char16_t{b});
    }
    return out;
}

std::optional<std::string> Iso2022JpToShiftJis(std::string_view bytes) {
    enum class Mode { Ascii, Jis0208, Katakana };
    Mode mode = Mode::Ascii;
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        const std::uint8_t b = Byte(bytes[i]);
        if (b == 0x1B) {
            const auto escape = bytes.substr(i, 3);
            if (escape == "\x1B$B" || escape == "\x1B$@") {
                mode = Mode::Jis0208;
            } else if (escape == "\x1B(B" || escape == "\x1B(J") {
                mode = Mode::Ascii;
            } else if (escape == "\x1B(I") {
                mode = Mode::Katakana;
            } else {
                return std::nullopt;
            }
            i += 3;
            continue;
        }
        if (b >= 0x80) {
            return std::nullopt;
        }
        if (b == '\r' || b == '\n' || mode == Mode::Ascii) {
            out.push_back(static_cast<char>(b));
            ++i;
            continue;
        }
        if (mode == Mode::Katakana) {
            if (b < 0x21 || b > 0x5F) {
                return std::nullopt;
            }
            out.push_back(static_cast<char>(b + 0x80));
            ++i;
            continue;
        }
        if (i + 1 >= bytes.size() || !IsJisByte(b) || !IsJisByte(Byte(bytes[i + 1]))) {
            return std::nullopt;
        }
        AppendJisAsShiftJis(out, b, Byte(bytes[i + 1]));
        i += 2;
    }
    return out;
}

std::optional<std::string> EucJpToShiftJis(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        const std::uint8_t b = Byte(bytes[i]);
        if (b < 0x80) {
            out.push_back(static_cast<char>(b));
            ++i;
            continue;
        }
        if (i + 1 >= bytes.size()) {
            return std::nullopt;
        }
        const std::uint8_t c = Byte(bytes[i + 1]);
        if (b == 0x8E && c >= 0xA1 && c <= 0xDF) {
            out.push_back(static_cast<char>(c));
        } else if (b >= 0xA1 && b <= 0xFE && c >= 0xA1 && c <= 0xFE) {
            AppendJisAsShiftJis(out, b & 0x7Fu, c & 0x7Fu);
        } else {
            // 0x8F introduces JIS X 0212, which cp932 cannot hold.
            return std::nullopt;
        }
        i += 2;
    }
    return out;
}

}  // namespace mailvane::charset
