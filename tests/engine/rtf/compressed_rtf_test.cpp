#include "engine/rtf/compressed_rtf.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "engine/io/crc32.h"
#include "rtf_test_inputs.h"
#include "tests/support/rtf/rtf_decompression.h"

namespace mailvane::rtf {
namespace {

using testing::DecompressRtf;

using Bytes = std::vector<std::uint8_t>;

std::string Hex(const Bytes& bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    for (std::uint8_t b : bytes) {
        if (!out.empty()) out += ' ';
        out += kDigits[b >> 4];
        out += kDigits[b & 0xF];
    }
    return out;
}

// The worked examples of the compressed RTF format. Where the text is found
// more than once in the window, the examples name its lowest window offset
// and the compressor the nearest copy; every other byte must agree.
struct WorkedExample {
    const char* name;
    std::string rtf;
    Bytes compressed;
};

const std::vector<WorkedExample>& WorkedExamples() {
    static const std::vector<WorkedExample> examples = {
        {"hello world",
         "{\\rtf1\\ansi\\ansicpg1252\\pard hello world}\r\n",
         {0x2d, 0x00, 0x00, 0x00, 0x2b, 0x00, 0x00, 0x00, 0x4c, 0x5a, 0x46, 0x75, 0xf1, 0xc5, 0xc7, 0xa7, 0x03,
          0x00, 0x0a, 0x00, 0x72, 0x63, 0x70, 0x67, 0x31, 0x32, 0x35, 0x42, 0x32, 0x0a, 0xf3, 0x20, 0x68, 0x65,
          0x6c, 0x09, 0x00, 0x20, 0x62, 0x77, 0x05, 0xb0, 0x6c, 0x64, 0x7d, 0x0a, 0x80, 0x0f, 0xa0}},
        {"repeated XYZ", "{\\rtf1 WXYZWXYZWXYZWXYZWXYZ}", {0x1a, 0x00, 0x00, 0x00, 0x1c, 0x00, 0x00, 0x00, 0x4c, 0x5a,
                                                           0x46, 0x75, 0xe2, 0xd4, 0x4b, 0x51, 0x41, 0x00, 0x04, 0x20,
                                                           0x57, 0x58, 0x59, 0x5a, 0x0d, 0x6e, 0x7d, 0x01, 0x0e, 0xb0}},
    };
    return examples;
}

// The tokens of a compressed stream: "'c'" for a literal, "<n>" for a
// reference to n bytes, whichever copy it names.
std::vector<std::string> TokenShapes(const Bytes& packed) {
    std::vector<std::string> shapes;
    std::size_t at = 16;
    while (at < packed.size()) {
        const std::uint8_t control = packed[at++];
        for (int bit = 0; bit < 8 && at < packed.size(); ++bit) {
            if ((control & (1u << bit)) == 0) {
                shapes.push_back("'" + std::string(1, static_cast<char>(packed[at++])) + "'");
                continue;
            }
            if (at + 2 > packed.size()) return shapes;
            const unsigned word = (unsigned{packed[at]} << 8) | packed[at + 1];
            at += 2;
            shapes.push_back("<" + std::to_string((word & 0xF) + 2) + ">");
        }
    }
    return shapes;
}

TEST(CompressedRtf, CompressesTheWorkedExamplesToTheirTokens) {
    for (const WorkedExample& e : WorkedExamples()) {
        const Bytes packed = CompressRtf(e.rtf);
        ASSERT_EQ(packed.size(), e.compressed.size()) << e.name;
        // The sizes and the "LZFu" mark; the CRC follows the offsets chosen.
        EXPECT_EQ(Hex(Bytes(packed.begin(), packed.begin() + 12)),
                  Hex(Bytes(e.compressed.begin(), e.compressed.begin() + 12)))
            << e.name;
        EXPECT_EQ(TokenShapes(packed), TokenShapes(e.compressed)) << e.name;
        EXPECT_EQ(DecompressRtf(packed), e.rtf) << e.name;
    }
    // Text found only once in the window leaves no choice: byte for byte.
    const WorkedExample& repeated = WorkedExamples()[1];
    EXPECT_EQ(Hex(CompressRtf(repeated.rtf)), Hex(repeated.compressed));
}

TEST(CompressedRtf, DecompressesTheWorkedExamples) {
    for (const WorkedExample& e : WorkedExamples()) {
        EXPECT_EQ(DecompressRtf(e.compressed), e.rtf) << e.name;
    }
}

TEST(CompressedRtf, CrcIsUnconditionedCrc32) {
    // CRC-32 with zip's pre- and post-inversion of "123456789" is 0xCBF43926;
    // without them the same table gives 0x2DFD2D88.
    const std::string check = "123456789";
    EXPECT_EQ(io::Crc32Uninverted({reinterpret_cast<const std::uint8_t*>(check.data()), check.size()}), 0x2DFD2D88u);
    EXPECT_EQ(io::Crc32Uninverted({}), 0u);
    // Against the polynomial worked bit by bit, for every length around the
    // eight bytes taken at once, whole and fed in two pieces.
    auto bitwise = [](const Bytes& bytes) {
        std::uint32_t crc = 0;
        for (std::uint8_t b : bytes) {
            crc ^= b;
            for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
        }
        return crc;
    };
    std::mt19937 rng(5);
    for (std::size_t length = 0; length <= 70; ++length) {
        Bytes bytes(length);
        for (auto& b : bytes) b = static_cast<std::uint8_t>(rng());
        const std::uint32_t expected = bitwise(bytes);
        EXPECT_EQ(io::Crc32Uninverted(bytes), expected) << length;
        const std::size_t cut = length / 3;
        const std::span<const std::uint8_t> all(bytes);
        EXPECT_EQ(io::Crc32Uninverted(all.subspan(cut), io::Crc32Uninverted(all.first(cut))), expected) << length;
    }
}

TEST(CompressedRtf, RoundTripsEveryLengthUpTo600) {
    std::mt19937 rng(20261207);
    for (std::size_t length = 0; length <= 600; ++length) {
        for (const std::string& text : {RandomRtfLike(rng, length), RandomBytes(rng, length)}) {
            const Bytes packed = CompressRtf(text);
            ASSERT_EQ(DecompressRtf(packed), text) << "length " << length;
        }
    }
}

TEST(CompressedRtf, RoundTripsRepetitiveAndWindowWrappingInputs) {
    std::mt19937 rng(7);
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"one byte repeated", std::string(100000, 'a')},
        {"short period", Repeat("{\\b x}", 20000)},
        {"period just under the window", Repeat(RandomRtfLike(rng, 4090), 6)},
        {"period of the window", Repeat(RandomRtfLike(rng, 4096), 4)},
        {"period just over the window", Repeat(RandomRtfLike(rng, 4100), 4)},
        {"long random", RandomBytes(rng, 70000)},
        {"long rtf-like", RandomRtfLike(rng, 200000)},
        {"NUL bytes", std::string(5000, '\0') + "tail"},
    };
    for (const auto& [name, text] : cases) {
        const Bytes packed = CompressRtf(text);
        ASSERT_EQ(DecompressRtf(packed), text) << name;
    }
}

// What the decoder's window holds before the first byte, as the format
// publishes it.
constexpr std::string_view kInitialDictionaryForTests =
    "{\\rtf1\\ansi\\mac\\deff0\\deftab720{\\fonttbl;}{\\f0\\fnil \\froman \\fswiss \\fmodern "
    "\\fscript \\fdecor MS Sans SerifSymbolArialTimes New RomanCourier{\\colortbl\\red0\\green0"
    "\\blue0\r\n\\par \\pard\\plain\\f0\\fs20\\b\\i\\u\\tab\\tx";

// The token choice written plainly: at each position, look back through the
// window at the last 4 earlier positions that start with the same two
// bytes, nearest first; take the longest match, and among equally long ones
// the nearest. Slow, and independent of the compressor's chains.
Bytes PlainSearchTokens(const std::string& rtf) {
    constexpr std::size_t kWindow = 4096;
    const std::string stream = std::string(kInitialDictionaryForTests) + rtf;
    Bytes tokens;
    std::size_t control = 0;
    unsigned bit = 8;
    auto slot = [&] {
        if (bit == 8) {
            control = tokens.size();
            tokens.push_back(0);
            bit = 0;
        }
        return bit++;
    };
    std::size_t pos = kInitialDictionaryForTests.size();
    while (pos < stream.size()) {
        const std::size_t limit = std::min<std::size_t>(17, stream.size() - pos);
        std::size_t bestLength = 0, bestOffset = 0;
        int seen = 0;
        for (std::size_t c = pos; limit >= 2 && c-- > 0 && pos - c < kWindow && seen < 4;) {
            if (stream[c] != stream[pos] || stream[c + 1] != stream[pos + 1]) continue;
            ++seen;
            std::size_t length = 0;
            while (length < limit && stream[c + length] == stream[pos + length]) ++length;
            const std::size_t offset = c % kWindow;
            if (length > bestLength) {
                bestLength = length;
                bestOffset = offset;
            }
        }
        const unsigned b = slot();
        if (bestLength == 0) {
            tokens.push_back(static_cast<std::uint8_t>(stream[pos]));
            ++pos;
            continue;
        }
        tokens[control] |= static_cast<std::uint8_t>(1u << b);
        const std::size_t word = (bestOffset << 4) | (bestLength - 2);
        tokens.push_back(static_cast<std::uint8_t>(word >> 8));
        tokens.push_back(static_cast<std::uint8_t>(word));
        pos += bestLength;
    }
    tokens[control] |= static_cast<std::uint8_t>(1u << slot());
    const std::size_t end = (pos % kWindow) << 4;
    tokens.push_back(static_cast<std::uint8_t>(end >> 8));
    tokens.push_back(static_cast<std::uint8_t>(end));
    return tokens;
}

std::string RandomLowercase(std::mt19937& rng, std::size_t size) {
    std::string text;
    for (std::size_t i = 0; i < size; ++i) text += static_cast<char>('a' + rng() % 26);
    return text;
}

// "\\" and a random letter, over and over: the key of every third position
// is the same, and the longest match for one lies far further back than
// the candidates the compressor examines.
std::string KeyAndOneOther(std::mt19937& rng, std::size_t count) {
    std::string text;
    for (std::size_t i = 0; i < count; ++i) text += "\\" + RandomLowercase(rng, 1) + " ";
    return text;
}

// "QZ" at the start and again 65,536 and 65,636 bytes on, in lowercase text
// that never holds it otherwise. The compressor's chains keep the low 16
// bits of each position: at the second "QZ" the first reads back as the
// position itself, and at the third as one 100 bytes back, inside the
// window, that does not hold the key; neither may be taken as a match.
std::string KeyAgainPast16Bits(std::mt19937& rng) {
    std::string text = RandomLowercase(rng, 65536 + 400);
    for (std::size_t at : {0, 65536, 65636}) text.replace(at, 2, "QZ");
    return text;
}

TEST(CompressedRtf, ChoosesTheTokensOfThePlainSearch) {
    std::mt19937 rng(41);
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"rtf-like past one piece", RandomRtfLike(rng, 80000)},
        {"random bytes, many keys", RandomBytes(rng, 6000)},
        {"one byte repeated", std::string(30000, 'a')},
        {"period just over the window", Repeat(RandomRtfLike(rng, 4100), 4)},
        {"few keys, long chains", Repeat("{\\b x}{\\i y}", 9000)},
        {"longer matches past the candidates examined", KeyAndOneOther(rng, 20000)},
        {"a key again past 16 bits of position", KeyAgainPast16Bits(rng)},
    };
    for (const auto& [name, text] : cases) {
        const Bytes packed = CompressRtf(text);
        ASSERT_GT(packed.size(), 16u);
        EXPECT_TRUE(Bytes(packed.begin() + 16, packed.end()) == PlainSearchTokens(text)) << name;
    }
}

// Compressors hand their tables on to the next body: each body must still
// be matched only against itself, as if the tables were new.
TEST(CompressedRtf, EachBodyStartsAfreshAfterOthers) {
    std::mt19937 rng(47);
    const std::string shortBody = RandomRtfLike(rng, 3000);
    const Bytes expected = PlainSearchTokens(shortBody);
    const std::vector<std::string> before = {
        RandomRtfLike(rng, 100000),  // long chains on many keys
        Repeat(shortBody, 30),       // the same text, at other positions
        std::string(70000, 'a'),     // a window full of one key
        KeyAgainPast16Bits(rng),     // positions past 16 bits
    };
    for (const std::string& other : before) {
        CompressRtf(other);
        const Bytes packed = CompressRtf(shortBody);
        ASSERT_GT(packed.size(), 16u);
        EXPECT_TRUE(Bytes(packed.begin() + 16, packed.end()) == expected) << other.size();
    }
    // "QZ" last at a position just under a multiple of 65,536 in one body,
    // and first early in the next: a chain left from the first would send
    // the search for the second to before its start.
    std::string first = RandomLowercase(rng, 65300);
    first.replace(65436 - 207, 2, "QZ");  // positions count from the dictionary's start
    std::string second = RandomLowercase(rng, 3000);
    second.replace(1000, 2, "QZ");
    CompressRtf(first);
    const Bytes afterFirst = CompressRtf(second);
    EXPECT_TRUE(Bytes(afterFirst.begin() + 16, afterFirst.end()) == PlainSearchTokens(second));
    // A compressor dropped unfinished leaves nothing behind either.
    {
        RtfCompressor abandoned;
        abandoned.Append(before[0]);
    }
    const Bytes packed = CompressRtf(shortBody);
    EXPECT_TRUE(Bytes(packed.begin() + 16, packed.end()) == expected);
}

TEST(CompressedRtf, CompressorsOnManyThreadsGiveTheirOwnBytes) {
    std::mt19937 rng(53);
    std::vector<std::string> bodies;
    for (int i = 0; i < 12; ++i) bodies.push_back(RandomRtfLike(rng, 2000 + 7000 * static_cast<std::size_t>(i % 4)));
    std::vector<Bytes> expected;
    for (const std::string& body : bodies) expected.push_back(CompressRtf(body));

    std::vector<int> mismatches(6, 0);
    std::vector<std::thread> threads;
    for (std::size_t t = 0; t < mismatches.size(); ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 20; ++round) {
                const std::size_t which = (t * 5 + static_cast<std::size_t>(round) * 7) % bodies.size();
                if (CompressRtf(bodies[which]) != expected[which]) ++mismatches[t];
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    for (std::size_t t = 0; t < mismatches.size(); ++t) EXPECT_EQ(mismatches[t], 0) << "thread " << t;
}

TEST(CompressedRtf, GivesTheSameBytesHoweverTheTextIsSplit) {
    std::mt19937 rng(43);
    const std::string small = RandomRtfLike(rng, 700);
    const Bytes whole = CompressRtf(small);
    for (std::size_t cut = 0; cut <= small.size(); ++cut) {
        RtfCompressor compressor;
        compressor.Append(std::string_view(small).substr(0, cut));
        compressor.Append(std::string_view(small).substr(cut));
        ASSERT_EQ(compressor.Finish(), whole) << "cut at " << cut;
    }
    const std::string large = RandomRtfLike(rng, 300000);
    RtfCompressor compressor;
    for (std::size_t at = 0; at < large.size();) {
        const std::size_t piece = std::min<std::size_t>(rng() % 9000, large.size() - at);
        compressor.Append(std::string_view(large).substr(at, piece));
        at += piece;
    }
    EXPECT_EQ(compressor.Finish(), CompressRtf(large));
}

TEST(CompressedRtf, CompressesTypicalRtf) {
    std::mt19937 rng(3);
    const std::string text = Repeat("{\\*\\htmltag84 <td class=\"x\">}\\htmlrtf {\\htmlrtf0 cell}\r\n", 2000);
    const Bytes packed = CompressRtf(text);
    EXPECT_LT(packed.size(), text.size() / 4);
}

TEST(CompressedRtf, AcceptsUncompressedContainers) {
    const std::string text = "{\\rtf1 plain}";
    Bytes mela(16, 0);
    mela[0] = static_cast<std::uint8_t>(text.size() + 12);
    mela[4] = static_cast<std::uint8_t>(text.size());
    mela[8] = 'M', mela[9] = 'E', mela[10] = 'L', mela[11] = 'A';
    mela.insert(mela.end(), text.begin(), text.end());
    EXPECT_EQ(DecompressRtf(mela), text);
    // The CRC field of an uncompressed container carries nothing to check.
    mela[12] = 0x55;
    EXPECT_EQ(DecompressRtf(mela), text);
}

TEST(CompressedRtf, RejectsDamagedContainers) {
    const Bytes good = CompressRtf("{\\rtf1\\ansi some text that is long enough to matter}");
    ASSERT_TRUE(DecompressRtf(good));

    struct Damage {
        const char* name;
        std::size_t offset;
        std::uint8_t value;
    };
    const std::vector<Damage> damages = {
        {"contents byte flipped (CRC)", 20, 0xFF},
        {"CRC byte changed", 12, static_cast<std::uint8_t>(good[12] ^ 1)},
        {"unknown compression type", 8, 'X'},
        {"raw size larger than produced", 4, static_cast<std::uint8_t>(good[4] + 1)},
        {"raw size smaller than produced", 4, static_cast<std::uint8_t>(good[4] - 1)},
        {"compressed size past the end", 0, static_cast<std::uint8_t>(good[0] + 1)},
        {"compressed size below the header", 0, 3},
    };
    for (const Damage& d : damages) {
        Bytes bad = good;
        bad[d.offset] = d.value;
        EXPECT_FALSE(DecompressRtf(bad)) << d.name;
    }

    Bytes huge = good;
    huge[7] = 0x7F;  // claims two gigabytes from a few dozen bytes
    EXPECT_FALSE(DecompressRtf(huge));
}

TEST(CompressedRtf, EveryTruncationIsRefused) {
    const Bytes good = CompressRtf(RandomRtfLike(*std::make_unique<std::mt19937>(11), 3000));
    for (std::size_t size = 0; size < good.size(); ++size) {
        EXPECT_FALSE(DecompressRtf({good.data(), size})) << "size " << size;
    }
}

TEST(CompressedRtf, GarbageNeverCrashes) {
    std::mt19937 rng(99);
    for (int round = 0; round < 3000; ++round) {
        const std::string payload = RandomBytes(rng, rng() % 300);
        Bytes data(payload.begin(), payload.end());
        if (data.size() >= 16 && round % 2 == 0) {
            // A valid header with a matching CRC sends garbage through the
            // token decoder instead of stopping at the checks.
            const std::uint32_t contents = static_cast<std::uint32_t>(data.size() - 16);
            const std::uint32_t crc = io::Crc32Uninverted({data.data() + 16, contents});
            for (int i = 0; i < 4; ++i) {
                data[i] = static_cast<std::uint8_t>((contents + 12) >> (8 * i));
                data[4 + i] = static_cast<std::uint8_t>((contents * 3) >> (8 * i));
                data[12 + i] = static_cast<std::uint8_t>(crc >> (8 * i));
            }
            data[8] = 'L', data[9] = 'Z', data[10] = 'F', data[11] = 'u';
        }
        const auto out = DecompressRtf(data);
        if (out) {
            EXPECT_EQ(DecompressRtf(CompressRtf(*out)), out);
        }
    }
}

// Files for the independent decompressor that CTest runs next: each input
// and what it must decompress to.
TEST(CompressedRtf, WritesFilesForTheIndependentDecompressor) {
    const std::filesystem::path dir = std::filesystem::path(MAILVANE_BINARY_DIR) / "rtf-oracle";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    std::mt19937 rng(5);
    std::vector<std::string> inputs;
    for (const WorkedExample& e : WorkedExamples()) inputs.push_back(e.rtf);
    for (std::size_t length : {0, 1, 2, 17, 18, 100, 4095, 4096, 4097, 10000}) {
        inputs.push_back(RandomRtfLike(rng, length));
    }
    inputs.push_back(Repeat(RandomRtfLike(rng, 4100), 5));
    inputs.push_back(std::string(70000, 'z'));
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        const Bytes packed = CompressRtf(inputs[i]);
        std::ofstream(dir / (std::to_string(i) + ".lzfu"), std::ios::binary)
            .write(reinterpret_cast<const char*>(packed.data()), static_cast<std::streamsize>(packed.size()));
        std::ofstream(dir / (std::to_string(i) + ".rtf"), std::ios::binary)
            .write(inputs[i].data(), static_cast<std::streamsize>(inputs[i].size()));
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), static_cast<long>(2 * inputs.size()));
}

}  // namespace
}  // namespace mailvane::rtf
