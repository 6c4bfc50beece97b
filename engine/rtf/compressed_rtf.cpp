#include "engine/rtf/compressed_rtf.h"

#include <algorithm>
#include <array>
#include <memory>
#include <span>
#include <vector>

#include "engine/io/little_endian.h"
#include "engine/io/crc32.h"

namespace mailvane::rtf {
namespace {

// Both sides start with this text in the window, so the preamble every RTF
// body opens with compresses to references from the first byte on. It must
// match byte for byte, blanks included.
constexpr std::string_view kInitialDictionary =
    "{\\rtf1\\ansi\\mac\\deff0\\deftab720{\\fonttbl;}{\\f0\\fnil \\froman \\fswiss \\fmodern "
    "\\fscript \\fdecor MS Sans SerifSymbolArialTimes New RomanCourier{\\colortbl\\red0\\green0"
    "\\blue0\r\n\\par \\pard\\plain\\f0\\fs20\\b\\i\\u\\tab\\tx";
static_assert(kInitialDictionary.size() == 207);

constexpr std::size_t kWindow = 4096;
constexpr std::size_t kWindowMask = kWindow - 1;
constexpr std::size_t kHeaderSize = 16;
constexpr std::size_t kMinMatch = 2;
constexpr std::size_t kMaxMatch = 17;
constexpr std::uint32_t kCompressed = 0x75465A4C;  // "LZFu"

// Candidates examined per position: enough to find the long matches RTF is
// full of while keeping the compressor linear in its input.
constexpr int kMaxChain = 256;

// Groups tokens eight to a control byte as they are produced.
class RunWriter {
public:
    explicit RunWriter(msg::Bytes& out) : m_out(out) {}

    void Literal(std::uint8_t byte) {
        StartTokenSlot();
        m_out.push_back(byte);
    }

    void Reference(std::size_t offset, std::size_t length) {
        StartTokenSlot();
        m_out[m_control] |= static_cast<std::uint8_t>(1u << m_bit);
        const auto word = static_cast<std::uint16_t>((offset << 4) | (length - kMinMatch));
        m_out.push_back(static_cast<std::uint8_t>(word >> 8));
        m_out.push_back(static_cast<std::uint8_t>(word));
    }

private:
    void StartTokenSlot() {
        if (m_bit == 7 || !m_started) {
            m_control = m_out.size();
            m_out.push_back(0);
            m_bit = 0;
            m_started = true;
        } else {
            ++m_bit;
        }
    }

    msg::Bytes& m_out;
    std::size_t m_control = 0;
    unsigned m_bit = 0;
    bool m_started = false;
};

// Finds earlier occurrences through hash chains on the next two bytes. The
// positions index one buffer holding the initial dictionary followed by the
// input, which is exactly what the decoder's window has seen.
class MatchFinder {
public:
    explicit MatchFinder(const std::vector<std::uint8_t>& stream) : m_stream(stream) {
        m_heads.fill(-1);
        m_links.fill(-1);
    }

    void Insert(std::size_t pos) {
        if (pos + 1 >= m_stream.size()) return;
        const std::size_t key = Key(pos);
        m_links[pos & kWindowMask] = m_heads[key];
        m_heads[key] = static_cast<std::int64_t>(pos);
    }

    struct Match {
        std::size_t offset = 0;
        std::size_t length = 0;
    };

    // The longest match for `pos`; among equally long ones the lowest window
    // offset, which is the choice the worked examples of the format show.
    Match Find(std::size_t pos) const {
        Match best;
        const std::size_t limit = std::min(kMaxMatch, m_stream.size() - pos);
        if (limit < kMinMatch) return best;
        std::int64_t candidate = m_heads[Key(pos)];
        for (int steps = 0; candidate >= 0 && steps < kMaxChain; ++steps) {
            const auto c = static_cast<std::size_t>(candidate);
            // A distance of a whole window would name the write position,
            // which the decoder reads as the end of the stream.
            if (c >= pos || pos - c >= kWindow) break;
            std::size_t length = 0;
            while (length < limit && m_stream[c + length] == m_stream[pos + length]) ++length;
            const std::size_t offset = c & kWindowMask;
            if (length > best.length || (length == best.length && length > 0 && offset < best.offset)) {
                best = {offset, length};
            }
            const std::int64_t next = m_links[c & kWindowMask];
            if (next >= candidate) break;
            candidate = next;
        }
        if (best.length < kMinMatch) best.length = 0;
        return best;
    }

private:
    std::size_t Key(std::size_t pos) const { return (std::size_t{m_stream[pos]} << 8) | m_stream[pos + 1]; }

    const std::vector<std::uint8_t>& m_stream;
    std::array<std::int64_t, 65536> m_heads;
    std::array<std::int64_t, kWindow> m_links;
};

}  // namespace

msg::Bytes CompressRtf(std::string_view rtf) {
    std::vector<std::uint8_t> stream(kInitialDictionary.size() + rtf.size());
    std::copy(kInitialDictionary.begin(), kInitialDictionary.end(), stream.begin());
    std::copy(rtf.begin(), rtf.end(), stream.begin() + static_cast<std::ptrdiff_t>(kInitialDictionary.size()));

    msg::Bytes out(kHeaderSize, 0);
    out.reserve(kHeaderSize + rtf.size() / 2 + 16);
    RunWriter runs(out);
    auto finder = std::make_unique<MatchFinder>(stream);
    for (std::size_t p = 0; p < kInitialDictionary.size(); ++p) finder->Insert(p);

    std::size_t pos = kInitialDictionary.size();
    while (pos < stream.size()) {
        const MatchFinder::Match match = finder->Find(pos);
        if (match.length == 0) {
            runs.Literal(stream[pos]);
            finder->Insert(pos);
            ++pos;
            continue;
        }
        runs.Reference(match.offset, match.length);
        for (std::size_t k = 0; k < match.length; ++k) finder->Insert(pos + k);
        pos += match.length;
    }
    runs.Reference(pos & kWindowMask, kMinMatch);

    const std::span<const std::uint8_t> contents(out.data() + kHeaderSize, out.size() - kHeaderSize);
    io::PutU32(out.data(), static_cast<std::uint32_t>(contents.size() + 12));
    io::PutU32(out.data() + 4, static_cast<std::uint32_t>(rtf.size()));
    io::PutU32(out.data() + 8, kCompressed);
    io::PutU32(out.data() + 12, io::Crc32Uninverted(contents));
    return out;
}

}  // namespace mailvane::rtf
