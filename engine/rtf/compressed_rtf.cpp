#include "engine/rtf/compressed_rtf.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cstring>
#include <memory>
#include <span>
#include <vector>

#include "engine/io/crc32.h"
#include "engine/io/little_endian.h"

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

// Candidates examined per position. The long matches RTF is full of
// (repeated markup, runs of one byte) are mostly among the nearest, and
// every further candidate is a step the processor cannot predict well.
// Walking further gains little: over the corpus, 16 rather than 4 made the
// compressed RTF 5.5 % smaller, which is 0.17 % of the files written, and
// cost the whole conversion 3.5 % more time; 256 rather than 16, 1.2 %
// smaller again for 3.5 % more instructions.
constexpr int kMaxChain = 4;

// Text is taken in pieces of this size, and the bytes that have left the
// window are dropped once this many have gathered.
constexpr std::size_t kPiece = 64 * 1024;

// One chain per two-byte key, so every candidate on a chain holds the key
// and counts toward kMaxChain, as the token choice requires.
constexpr std::size_t kKeys = std::size_t{1} << 16;

// Where the grouping of tokens stands: the bytes written, the control
// byte of the current group, and its next flag (8 when the next token
// starts a group).
struct RunState {
    std::size_t used = 0;
    std::size_t control = 0;
    unsigned bit = 8;
};

// Groups tokens eight to a control byte as they are produced, into room
// made beforehand. It works on a copy of the state held in its own fields,
// which the compiler keeps in registers; kept in the encoder beside a
// vector, any byte stored could be any of them as far as the compiler
// knows, and each would be read again after every token.
class RunWriter {
public:
    RunWriter(std::uint8_t* out, const RunState& state) : m_out(out), m_state(state) {}

    // The most bytes that the tokens starting at `positions` more positions
    // take: a byte per position they cover (a literal covers one, a
    // reference of two bytes at least two), the last one reaching at most
    // kMaxMatch - 1 past them, and a control byte per eight.
    static std::size_t RoomFor(std::size_t positions) {
        const std::size_t covered = positions + kMaxMatch - 1;
        return covered + covered / 8 + 1;
    }

    void Literal(std::uint8_t byte) {
        StartTokenSlot();
        m_out[m_state.used++] = byte;
    }

    void Reference(std::size_t offset, std::size_t length) {
        StartTokenSlot();
        m_out[m_state.control] |= static_cast<std::uint8_t>(1u << m_state.bit);
        const auto word = static_cast<std::uint16_t>((offset << 4) | (length - kMinMatch));
        m_out[m_state.used] = static_cast<std::uint8_t>(word >> 8);
        m_out[m_state.used + 1] = static_cast<std::uint8_t>(word);
        m_state.used += 2;
    }

    const RunState& State() const { return m_state; }

private:
    void StartTokenSlot() {
        if (++m_state.bit >= 8) {
            m_state.control = m_state.used;
            m_out[m_state.used++] = 0;
            m_state.bit = 0;
        }
    }

    std::uint8_t* m_out;
    RunState m_state;
};

}  // namespace

// Positions count from the start of the initial dictionary, as the decoder's
// window does; the buffer holds the bytes from m_base on, which always
// cover the window behind the next position to encode.
class RtfCompressor::Encoder {
public:
    explicit Encoder(std::size_t expectedRtfSize) {
        m_buffer.reserve(kPiece + 2 * kWindow);
        Start(expectedRtfSize);
    }

    // Makes the encoder ready for a new body, whatever it did before; the
    // tables and the window's room are kept.
    void Start(std::size_t expectedRtfSize) {
        m_out = msg::Bytes();
        // Room for as much as the RTF expected: its compressed form seldom
        // needs more, so the output is not moved to a larger vector, which
        // would hold it twice for a moment. Room never written takes a large
        // body's pages only when touched.
        m_out.reserve(kHeaderSize + expectedRtfSize + 16);
        m_out.assign(kHeaderSize, 0);
        m_runs = RunState{kHeaderSize};
        m_buffer.assign(kInitialDictionary.begin(), kInitialDictionary.end());
        m_base = 0;
        m_next = kInitialDictionary.size();
        m_inserted = 0;
        m_rtfSize = 0;
    }

    void Append(std::string_view rtf) {
        while (!rtf.empty()) {
            const std::string_view piece = rtf.substr(0, kPiece);
            rtf.remove_prefix(piece.size());
            const auto* bytes = reinterpret_cast<const std::uint8_t*>(piece.data());
            m_buffer.insert(m_buffer.end(), bytes, bytes + piece.size());
            m_rtfSize += piece.size();
            Encode(false);
            DropPassedBytes();
        }
    }

    msg::Bytes Finish() {
        Encode(true);
        MakeRoom(1);
        RunWriter runs(m_out.data(), m_runs);
        runs.Reference(m_next & kWindowMask, kMinMatch);
        m_out.resize(runs.State().used);
        const std::span<const std::uint8_t> contents(m_out.data() + kHeaderSize, m_out.size() - kHeaderSize);
        io::PutU32(m_out.data(), static_cast<std::uint32_t>(contents.size() + 12));
        io::PutU32(m_out.data() + 4, static_cast<std::uint32_t>(m_rtfSize));
        io::PutU32(m_out.data() + 8, kCompressed);
        io::PutU32(m_out.data() + 12, io::Crc32Uninverted(contents));
        return std::move(m_out);
    }

private:
    struct Match {
        std::size_t offset = 0;
        std::size_t length = 0;
    };

    // Until the end is known, a position is encoded only with a full match's
    // worth of bytes after it, so that every match and every chain entry is
    // what the whole text would give.
    //
    // The loop works on copies of the positions, for the reason RunWriter
    // gives.
    void Encode(bool final) {
        const std::uint64_t end = m_base + m_buffer.size();
        const std::uint64_t stop = final ? end : (end > kMaxMatch ? end - kMaxMatch : 0);
        if (m_next >= stop) return;
        MakeRoom(static_cast<std::size_t>(stop - m_next));
        const Window window{m_buffer.data(), m_base};
        RunWriter runs(m_out.data(), m_runs);
        std::uint64_t next = m_next;
        std::uint64_t inserted = m_inserted;
        while (next < stop) {
            for (; inserted < next; ++inserted) Insert(window, inserted);
            const Match match = Find(window, next, end);
            if (match.length == 0) {
                runs.Literal(*window.At(next));
                ++next;
            } else {
                runs.Reference(match.offset, match.length);
                next += match.length;
            }
        }
        m_runs = runs.State();
        m_next = next;
        m_inserted = inserted;
    }

    // Sizes the output for the tokens of `positions` more positions; Finish
    // trims it. The room grows by what a piece can take, within the capacity
    // reserved at the start, and past it by the vector's own doubling:
    // growing it by half its size each time would count the room never
    // written as output, and a large body's compressed RTF would take far
    // more memory than it needs. Room is zeroed when made, so the bound is
    // kept tight.
    void MakeRoom(std::size_t positions) {
        const std::size_t needed = m_runs.used + RunWriter::RoomFor(positions);
        if (m_out.size() < needed) m_out.resize(needed);
    }

    void DropPassedBytes() {
        const std::uint64_t keep = std::min(m_inserted, m_next > kWindow ? m_next - kWindow : 0);
        if (keep - m_base < kPiece) return;
        m_buffer.erase(m_buffer.begin(), m_buffer.begin() + static_cast<std::ptrdiff_t>(keep - m_base));
        m_base = keep;
    }

    // The buffer's bytes by position.
    struct Window {
        const std::uint8_t* bytes;
        std::uint64_t base;  // the position of bytes[0]
        const std::uint8_t* At(std::uint64_t pos) const { return bytes + (pos - base); }
    };

    static std::size_t Key(const std::uint8_t* at) { return (std::size_t{at[0]} << 8) | at[1]; }

    // The chains keep the low 16 bits of each position, read back as the
    // distance to the nearest earlier position with those bits, from 1 to
    // 65,536: exact for anything within the window. When the true position
    // lies 65,536 or more behind, that reading names a later one, which
    // cannot hold the key (it would then have been on the chain instead), so
    // a chain ends at the first position whose bytes are not its key.
    //
    // The tables are not cleared between bodies. A key not yet seen in this
    // body has a head left from an earlier one, or none; read back, it names
    // a position before this body's start, or one in it that does not hold
    // the key, since any that did would have become the head. Either ends
    // the chain, as a chain's first position does when it links to such a
    // head in turn.
    static std::uint32_t DistanceBack(std::uint64_t from, std::uint16_t stored) {
        return static_cast<std::uint16_t>(static_cast<std::uint16_t>(from) - stored - 1) + 1u;
    }

    void Insert(const Window& window, std::uint64_t pos) {
        const std::size_t key = Key(window.At(pos));
        m_links[pos & kWindowMask] = m_heads[key];
        m_heads[key] = static_cast<std::uint16_t>(pos);
    }

    // The longest match for `pos`; among equally long ones the nearest, so
    // the walk from the nearest candidate ends at the first full-length
    // match, which is what makes long runs and repeated markup cheap. A
    // candidate that differs from `pos` in the byte just past the best match
    // so far cannot beat it and is passed over after a look at its key.
    // Inlined into the encoding loop: called for every token, it is cheaper
    // without the call's saving and restoring of registers.
    [[gnu::always_inline]] Match Find(const Window& window, std::uint64_t pos, std::uint64_t end) const {
        Match best;
        const std::size_t limit = static_cast<std::size_t>(std::min<std::uint64_t>(kMaxMatch, end - pos));
        if (limit < kMinMatch) return best;
        const std::uint8_t* here = window.At(pos);
        const Target target(here, limit);
        std::uint32_t distance = DistanceBack(pos, m_heads[Key(here)]);
        // A distance of a whole window would name the write position, which
        // the decoder reads as the end of the stream; one past `pos` would
        // name a position before the body.
        const std::uint64_t reach = std::min<std::uint64_t>(kWindow, pos + 1);
        for (int steps = 0; steps < kMaxChain && distance < reach; ++steps) {
            const std::uint64_t candidate = pos - distance;
            const std::uint8_t* there = here - distance;
            if (best.length == 0 || there[best.length] == here[best.length]) {
                const std::size_t length = target.MatchLength(there);
                if (length == 0) break;
                if (length > best.length) {
                    best = {static_cast<std::size_t>(candidate & kWindowMask), length};
                    if (length == limit) break;
                }
            } else if (there[0] != here[0] || there[1] != here[1]) {
                break;  // not the key: the chain ends here
            }
            distance += DistanceBack(candidate, m_links[candidate & kWindowMask]);
        }
        return best;
    }

    // The bytes at the position being encoded, which every candidate is
    // compared with: when a full match's worth follows them, they are loaded
    // once as words and compared eight at a time, the lowest differing byte
    // being the lowest set bit of the difference.
    class Target {
    public:
        Target(const std::uint8_t* here, std::size_t limit) : m_here(here), m_limit(limit) {
            if (Wordwise()) {
                m_first = LoadU64(here);
                m_second = LoadU64(here + 8);
            }
        }

        // How many bytes agree, up to the limit; 0 when the first kMinMatch
        // do not, which ends a chain (the key is not there).
        std::size_t MatchLength(const std::uint8_t* there) const {
            if (Wordwise()) {
                static_assert(kMinMatch == 2);
                if (const std::uint64_t difference = LoadU64(there) ^ m_first; difference != 0) {
                    if ((difference & 0xFFFF) != 0) return 0;
                    return static_cast<std::size_t>(std::countr_zero(difference)) / 8;
                }
                if (const std::uint64_t difference = LoadU64(there + 8) ^ m_second; difference != 0) {
                    return 8 + static_cast<std::size_t>(std::countr_zero(difference)) / 8;
                }
                return there[kMaxMatch - 1] == m_here[kMaxMatch - 1] ? kMaxMatch : kMaxMatch - 1;
            }
            if (there[0] != m_here[0] || there[1] != m_here[1]) return 0;
            std::size_t length = kMinMatch;
            while (length < m_limit && there[length] == m_here[length]) ++length;
            return length;
        }

    private:
        bool Wordwise() const { return std::endian::native == std::endian::little && m_limit == kMaxMatch; }

        const std::uint8_t* m_here;
        std::size_t m_limit;
        std::uint64_t m_first = 0;
        std::uint64_t m_second = 0;
    };

    static std::uint64_t LoadU64(const std::uint8_t* at) {
        std::uint64_t value;
        std::memcpy(&value, at, sizeof value);
        return value;
    }

    msg::Bytes m_out;
    RunState m_runs;
    std::vector<std::uint8_t> m_buffer;
    std::uint64_t m_base = 0;
    std::uint64_t m_next = 0;
    std::uint64_t m_inserted = 0;
    std::uint64_t m_rtfSize = 0;
    std::array<std::uint16_t, kKeys> m_heads{};
    std::array<std::uint16_t, kWindow> m_links{};
};

// A few encoders kept between bodies. Their tables and window take about
// 210 KB, which a heap hands back to the system when a body is done and
// faults in again, page by page, for the next; kept, they stay in place.
// Slots rather than one per thread, so that nothing is left to a thread's
// end, which a library loaded and unloaded at run time cannot rely on.
class RtfCompressor::Spares {
public:
    // Goes with the program's or the library's static objects and frees
    // what it holds: a library unloaded and loaded again for every run must
    // not leave its spares behind. Every compressor has finished by then,
    // since the program's workers are joined first and a library is unloaded
    // only when none of its objects is alive.
    static Spares& Instance() {
        static Spares spares;
        return spares;
    }

    Spares() = default;
    Spares(const Spares&) = delete;
    Spares& operator=(const Spares&) = delete;
    ~Spares() {
        for (auto& slot : m_slots) delete slot.exchange(nullptr);
    }

    std::unique_ptr<Encoder> Take() {
        for (auto& slot : m_slots) {
            if (Encoder* spare = slot.exchange(nullptr)) return std::unique_ptr<Encoder>(spare);
        }
        return nullptr;
    }

    void Give(std::unique_ptr<Encoder> encoder) {
        for (auto& slot : m_slots) {
            Encoder* empty = nullptr;
            if (slot.compare_exchange_strong(empty, encoder.get())) {
                encoder.release();
                return;
            }
        }
    }

private:
    std::array<std::atomic<Encoder*>, 4> m_slots{};
};

RtfCompressor::RtfCompressor(std::size_t expectedRtfSize) : m_encoder(Spares::Instance().Take()) {
    if (m_encoder) {
        m_encoder->Start(expectedRtfSize);
    } else {
        m_encoder = std::make_unique<Encoder>(expectedRtfSize);
    }
}

RtfCompressor::~RtfCompressor() {
    if (m_encoder) Spares::Instance().Give(std::move(m_encoder));
}

void RtfCompressor::Append(std::string_view rtf) { m_encoder->Append(rtf); }

msg::Bytes RtfCompressor::Finish() { return m_encoder->Finish(); }

msg::Bytes CompressRtf(std::string_view rtf) {
    RtfCompressor compressor(rtf.size());
    compressor.Append(rtf);
    return compressor.Finish();
}

}  // namespace mailvane::rtf
