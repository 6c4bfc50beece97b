#include "tests/support/rtf/rtf_decompression.h"

#include <array>
#include <string_view>

#include "engine/io/crc32.h"
#include "engine/io/little_endian.h"

namespace mailvane::testing {
namespace {

// The window starts out holding this text, on the compressor's side as on
// this one.
constexpr std::string_view kInitialDictionary =
    "{\\rtf1\\ansi\\mac\\deff0\\deftab720{\\fonttbl;}{\\f0\\fnil \\froman \\fswiss \\fmodern "
    "\\fscript \\fdecor MS Sans SerifSymbolArialTimes New RomanCourier{\\colortbl\\red0\\green0"
    "\\blue0\r\n\\par \\pard\\plain\\f0\\fs20\\b\\i\\u\\tab\\tx";
static_assert(kInitialDictionary.size() == 207);

constexpr std::size_t kWindow = 4096;
constexpr std::size_t kWindowMask = kWindow - 1;
constexpr std::size_t kHeaderSize = 16;
constexpr std::size_t kMinMatch = 2;
constexpr std::uint32_t kCompressed = 0x75465A4C;    // "LZFu"
constexpr std::uint32_t kUncompressed = 0x414C454D;  // "MELA"

}  // namespace

std::optional<std::string> DecompressRtf(std::span<const std::uint8_t> data) {
    if (data.size() < kHeaderSize) return std::nullopt;
    const std::uint32_t compSize = io::GetU32(data.data());
    const std::uint32_t rawSize = io::GetU32(data.data() + 4);
    const std::uint32_t type = io::GetU32(data.data() + 8);
    const std::uint32_t crc = io::GetU32(data.data() + 12);
    if (compSize < 12 || compSize > data.size() - 4) return std::nullopt;
    const std::span<const std::uint8_t> contents = data.subspan(kHeaderSize, compSize - 12);

    if (type == kUncompressed) {
        if (rawSize > contents.size()) return std::nullopt;
        return std::string(contents.begin(), contents.begin() + rawSize);
    }
    if (type != kCompressed || io::Crc32Uninverted(contents) != crc) return std::nullopt;
    // Nine input bytes give at most 8 x 17 output bytes; a larger claim is a
    // lie that must not drive the allocation.
    if (rawSize / 16 > contents.size()) return std::nullopt;

    std::array<std::uint8_t, kWindow> window{};
    std::copy(kInitialDictionary.begin(), kInitialDictionary.end(), window.begin());
    std::size_t write = kInitialDictionary.size();
    std::string out;
    out.reserve(rawSize);

    std::size_t in = 0;
    while (in < contents.size()) {
        const std::uint8_t control = contents[in++];
        for (unsigned bit = 0; bit < 8; ++bit) {
            if (in >= contents.size()) {
                if (out.size() == rawSize) return out;
                return std::nullopt;
            }
            if ((control & (1u << bit)) == 0) {
                if (out.size() >= rawSize) return std::nullopt;
                const std::uint8_t byte = contents[in++];
                out.push_back(static_cast<char>(byte));
                window[write] = byte;
                write = (write + 1) & kWindowMask;
                continue;
            }
            if (in + 1 >= contents.size()) return std::nullopt;
            const std::size_t word = (std::size_t{contents[in]} << 8) | contents[in + 1];
            in += 2;
            const std::size_t offset = word >> 4;
            const std::size_t length = (word & 0xF) + kMinMatch;
            if (offset == write) {
                if (out.size() != rawSize) return std::nullopt;
                return out;
            }
            if (length > rawSize - out.size()) return std::nullopt;
            for (std::size_t k = 0; k < length; ++k) {
                const std::uint8_t byte = window[(offset + k) & kWindowMask];
                out.push_back(static_cast<char>(byte));
                window[write] = byte;
                write = (write + 1) & kWindowMask;
            }
        }
    }
    if (out.size() == rawSize) return out;
    return std::nullopt;
}

}  // namespace mailvane::testing
