#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "engine/mime/ascii_text.h"
#include "engine/mime/base64_decoder.h"
#include "engine/mime/quoted_printable_decoder.h"
#include "engine/mime/uuencode.h"
#include "test_support.h"
#include "tests/support/reference_base64.h"

namespace mailvane::mime {
namespace {

using test::AsString;

// What a decoder gave, in the reference's terms.
using Decoded = testing::ReferenceDecoded;

// Feeds `input` cut at the given offsets (ascending) and finishes.
template <typename Decoder>
Decoded DecodeInPieces(std::string_view input, const std::vector<std::size_t>& cuts) {
    Decoder decoder;
    std::vector<std::uint8_t> out;
    std::size_t from = 0;
    for (std::size_t cut : cuts) {
        decoder.Feed(input.substr(from, cut - from), out);
        from = cut;
    }
    decoder.Feed(input.substr(from), out);
    decoder.Finish(out);
    return {AsString(out), decoder.SawInvalidInput()};
}

template <typename Decoder>
Decoded DecodeWhole(std::string_view input) {
    return DecodeInPieces<Decoder>(input, {});
}

// The same bytes split at every offset, and fed one byte at a time, decode
// exactly as in one piece.
template <typename Decoder>
void ExpectSplitInvariant(std::string_view input) {
    const Decoded whole = DecodeWhole<Decoder>(input);
    for (std::size_t cut = 0; cut <= input.size(); ++cut) {
        const Decoded split = DecodeInPieces<Decoder>(input, {cut});
        ASSERT_EQ(split.bytes, whole.bytes) << "split at " << cut << " of \"" << input << "\"";
        ASSERT_EQ(split.invalid, whole.invalid) << "split at " << cut;
    }
    std::vector<std::size_t> everyByte;
    for (std::size_t i = 1; i < input.size(); ++i) {
        everyByte.push_back(i);
    }
    EXPECT_EQ(DecodeInPieces<Decoder>(input, everyByte).bytes, whole.bytes);
}

using namespace std::string_literals;

struct Row {
    std::string input;
    std::string expected;
    bool invalid;
};

// Bytes are tested eight at a time: one byte of 0x80 or more is found at
// every place of texts of every length around that size.
TEST(AsciiText, FindsAnEightBitByteAnywhere) {
    for (std::size_t size = 0; size < 30; ++size) {
        std::string text(size, 'x');
        EXPECT_FALSE(HasEightBitBytes(text)) << size;
        for (std::size_t at = 0; at < size; ++at) {
            for (const char high : {'\x80', '\xFF'}) {
                text[at] = high;
                EXPECT_TRUE(HasEightBitBytes(text)) << size << " " << at;
                text[at] = '\x7F';
                EXPECT_FALSE(HasEightBitBytes(text)) << size << " " << at;
            }
        }
    }
}

TEST(Base64Decoder, DecodesTable) {
    const Row rows[] = {
        {"", "", false},
        {"TWFu", "Man", false},
        {"TWE=", "Ma", false},
        {"TQ==", "M", false},
        {"TW\r\nFu\r\n", "Man", false},
        {"  T W F u  ", "Man", false},
        {"TWFu!!TWE=", "ManMa", true},  // garbage skipped
        {"TWE=TQ==", "MaM", false},     // concatenated encodings
        {"TWE", "Ma", true},            // missing padding
        {"TQ", "M", true},
        {"T", "", true},  // a lone sextet makes no byte
        {"SGVsbG8sIHdvcmxkIQ==", "Hello, world!", false},
        {"/+/+", "\xFF\xEF\xFE", false},
        {"TW\0Fu"s, "Man", true},
    };
    for (const auto& row : rows) {
        const auto decoded = DecodeWhole<Base64Decoder>(row.input);
        EXPECT_EQ(decoded.bytes, row.expected) << row.input;
        EXPECT_EQ(decoded.invalid, row.invalid) << row.input;
    }
}

// The padding that completes the last quantum ends the data when a '=' or
// a byte outside base64 comes next: an armour checksum or a footer after
// it adds nothing, and says so. Sextets right after it are an encoding
// joined on, and still decode.
TEST(Base64Decoder, DataEndsAtItsPadding) {
    struct PaddingRow {
        std::string input;
        std::string expected;
        bool invalid;
        bool ended;
    };
    const PaddingRow rows[] = {
        {"TWFu\r\nTQ==\r\n=Zm9v\r\n", "ManM", false, true},  // armour checksum after the padding
        {"TWE=\r\n=XXXX", "Ma", false, true},
        {"TWE=\r\n-- \r\nfooter text\r\n", "Ma", false, true},
        {"TQ===", "M", false, true},
        {"TQ==!", "M", false, true},
        {"TWE=TQ==", "MaM", false, false},  // joined encodings
        {"TWE= \r\n TQ==", "MaM", false, false},
        {"TQ=\r\n=", "M", false, false},  // a padding split by a line break
        {"TQ=x", "M", true, false},       // half a padding, then a lone sextet
        {"TQ=!=", "M", true, false},      // damage inside the padding is damage
        {"TQ==\r\n", "M", false, false},
    };
    for (const auto& row : rows) {
        const testing::ReferenceDecoded reference = testing::ReferenceBase64(row.input);
        EXPECT_EQ(reference.bytes, row.expected) << row.input;
        EXPECT_EQ(reference.invalid, row.invalid) << row.input;
        EXPECT_EQ(reference.endedAtPadding, row.ended) << row.input;
        for (std::size_t cut = 0; cut <= row.input.size(); ++cut) {
            Base64Decoder decoder;
            std::vector<std::uint8_t> out;
            decoder.Feed(std::string_view(row.input).substr(0, cut), out);
            decoder.Feed(std::string_view(row.input).substr(cut), out);
            decoder.Finish(out);
            EXPECT_EQ(AsString(out), row.expected) << row.input << ", cut at " << cut;
            EXPECT_EQ(decoder.SawInvalidInput(), row.invalid) << row.input << ", cut at " << cut;
            EXPECT_EQ(decoder.IgnoredDataAfterPadding(), row.ended) << row.input << ", cut at " << cut;
        }
    }
}

TEST(Base64Decoder, SplitAtEveryOffset) {
    for (const char* input :
         {"SGVsbG8sIHdvcmxkIQ==", "TWFu\r\nTWE=\r\nTQ==", "TW*Fu\nTWE", "QUJD RA== RUY=", "=TQ=="}) {
        ExpectSplitInvariant<Base64Decoder>(input);
    }
}

// Long bodies in the shapes mail gives them, whole quanta and line breaks
// of every kind, with now and then a blank, a lone CR, padding in the
// middle or a byte outside the alphabet landing anywhere in a run of quanta.
TEST(Base64Decoder, LongBodiesDecodeAsTheFormatSays) {
    std::mt19937 rng(1213);
    const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    const std::vector<std::string> breaks = {"\r\n", "\n", "\r", " ", "=", "==", "*", "\t", "\r\n\r\n", "\xC3"};
    for (int round = 0; round < 300; ++round) {
        const std::size_t lineLength = std::vector<std::size_t>{76, 64, 72, 4, 8, 1 + rng() % 90}[round % 6];
        const bool odd = round % 3 == 0;  // other separators now and then
        std::string input;
        const std::size_t size = rng() % 3000;
        for (std::size_t i = 0; i < size; ++i) {
            input += alphabet[rng() % 64];
            if ((i + 1) % lineLength == 0) input += odd && rng() % 4 == 0 ? breaks[rng() % breaks.size()] : "\r\n";
        }
        const Decoded expected = testing::ReferenceBase64(input);
        const Decoded whole = DecodeWhole<Base64Decoder>(input);
        ASSERT_EQ(whole.bytes, expected.bytes) << "round " << round;
        ASSERT_EQ(whole.invalid, expected.invalid) << "round " << round;
        const std::size_t cut = size == 0 ? 0 : rng() % input.size();
        const Decoded split = DecodeInPieces<Base64Decoder>(input, {cut});
        ASSERT_EQ(split.bytes, expected.bytes) << "round " << round << ", cut at " << cut;
    }
}

// A quantum that '=' ends early gives one byte for two sextets and two for
// three, more than whole quanta alone would count: the room made before
// decoding must hold them as well as the widest store of a run after them.
// Each body is decoded into a fresh vector, whose room is exactly what the
// decoder asks for, so that a store past it is a write out of bounds, which
// the sanitizer builds report.
TEST(Base64Decoder, QuantaEndedEarlyBeforeARunLeaveRoomForItsStores) {
    const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (const std::string head : {"ab=", "abc=", "a=", "ab==", "ab=cd=", "Zm9v\r\nab="}) {
        for (std::size_t runLength = 0; runLength <= 80; ++runLength) {
            std::string input = head;
            for (std::size_t i = 0; i < runLength; ++i) input += alphabet[(i * 11 + 5) % 64];
            const Decoded expected = testing::ReferenceBase64(input);
            for (std::size_t cut = 0; cut <= head.size(); ++cut) {
                const Decoded decoded = DecodeInPieces<Base64Decoder>(input, {cut});
                ASSERT_EQ(decoded.bytes, expected.bytes) << head << " and " << runLength << ", cut at " << cut;
                ASSERT_EQ(decoded.invalid, expected.invalid) << head << " and " << runLength;
            }
        }
    }
}

// Runs of quanta are classified many bytes at once: every byte value, in
// every place of a run long enough for the widest step, decodes as the
// format says, whether it is a sextet, padding, a blank or damage.
TEST(Base64Decoder, EveryByteAnywhereInARun) {
    const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string run;
    for (std::size_t i = 0; i < 40; ++i) run += alphabet[(i * 7 + 3) % 64];
    for (int value = 0; value < 256; ++value) {
        for (std::size_t at = 0; at < run.size(); ++at) {
            std::string input = run;
            input[at] = static_cast<char>(value);
            const Decoded expected = testing::ReferenceBase64(input);
            const Decoded decoded = DecodeWhole<Base64Decoder>(input);
            ASSERT_EQ(decoded.bytes, expected.bytes) << "byte " << value << " at " << at;
            ASSERT_EQ(decoded.invalid, expected.invalid) << "byte " << value << " at " << at;
        }
    }
}

TEST(QuotedPrintableDecoder, DecodesTable) {
    const Row rows[] = {
        {"", "", false},
        {"plain", "plain", false},
        {"caf=C3=A9", "caf\xC3\xA9", false},
        {"caf=c3=a9", "caf\xC3\xA9", false},
        {"soft=\r\nbreak", "softbreak", false},
        {"soft=\nbreak", "softbreak", false},
        {"soft=  \r\nbreak", "softbreak", false},  // blanks after the '='
        {"trail   \r\nnext", "trail\r\nnext", false},
        {"trail\t\nnext", "trail\nnext", false},
        {"keep  inner", "keep  inner", false},
        {"a=3Db", "a=b", false},
        {"a=b", "a=b", true},  // '=' without hex kept
        {"a=4", "a=4", true},  // cut escape at the end
        {"a=4x", "a=4x", true},
        {"a= b", "a= b", true},
        {"end=", "end", false},  // soft break at the very end
        {"end   ", "end", false},
        {"=\r", "", false},
        {"x=\ry", "xy", false},
    };
    for (const auto& row : rows) {
        const auto decoded = DecodeWhole<QuotedPrintableDecoder>(row.input);
        EXPECT_EQ(decoded.bytes, row.expected) << row.input;
        EXPECT_EQ(decoded.invalid, row.invalid) << row.input;
    }
}

TEST(QuotedPrintableDecoder, SplitAtEveryOffset) {
    for (const char* input :
         {"caf=C3=A9 au lait  \r\nsoft=\r\nbreak=\nend", "a=b= c=4x=\r=  \nz   ", "=4", "x \t=\r\n"}) {
        ExpectSplitInvariant<QuotedPrintableDecoder>(input);
    }
}

// "Hello, world!\n" as uuencode writes it.
constexpr const char* kUuHello = "begin 644 hello.txt\n.2&5L;&\\L('=O<FQD(0H`\n`\nend\n";

TEST(UuDecoder, DecodesTable) {
    const Row rows[] = {
        {kUuHello, "Hello, world!\n", false},
        {".2&5L;&\\L('=O<FQD(0H`\n`\nend\n", "Hello, world!\n", false},
        {"begin 644 a\r\n#86)C\r\n`\r\nend\r\n", "abc", false},
        {"#86)C\n`\nend\ntrailing text\n", "abc", false},  // nothing after "end"
        {"#86)C\n", "abc", true},                          // no "end" line
        {"#80\nend\n", "a\0\0"s, false},                   // stripped trailing blanks read as zero
        {"#8~)C\nend\n",
         "a\xE2"
         "c",
         true},  // out-of-range character read modulo 64
    };
    for (const auto& row : rows) {
        const auto decoded = DecodeWhole<UuDecoder>(row.input);
        EXPECT_EQ(decoded.bytes, row.expected) << row.input;
        EXPECT_EQ(decoded.invalid, row.invalid) << row.input;
    }
}

TEST(UuDecoder, SplitAtEveryOffset) {
    ExpectSplitInvariant<UuDecoder>(kUuHello);
    ExpectSplitInvariant<UuDecoder>("begin 600 x\r\n#86)C\r\n#86)C\r\n`\r\nend\r\n");
}

TEST(FindUuencodedBlocks, CutsBlocksOutOfText) {
    const std::string text = std::string("Here is the file:\n\n") + kUuHello + "\nRegards\n";
    const auto scan = FindUuencodedBlocks(text);
    ASSERT_EQ(scan.files.size(), 1u);
    EXPECT_EQ(scan.files[0].name, "hello.txt");
    EXPECT_EQ(scan.files[0].mode, 0644u);
    EXPECT_EQ(AsString(scan.files[0].data), "Hello, world!\n");
    EXPECT_TRUE(scan.files[0].complete);
    EXPECT_FALSE(scan.files[0].damaged);
    EXPECT_EQ(scan.remainingText, "Here is the file:\n\n\nRegards\n");
    EXPECT_EQ(text.substr(scan.files[0].begin, scan.files[0].end - scan.files[0].begin), kUuHello);
}

TEST(FindUuencodedBlocks, FindsSeveralAndLeavesLookalikes) {
    const std::string text = std::string("begin 644 is not followed by data\nprose\n") + kUuHello +
                             "begin 755 two words.bin\r\n#86)C\r\nend\r\n" + "begin 644 cut.bin\n#86)C\n";
    const auto scan = FindUuencodedBlocks(text);
    ASSERT_EQ(scan.files.size(), 3u);
    EXPECT_EQ(scan.files[1].name, "two words.bin");
    EXPECT_EQ(scan.files[1].mode, 0755u);
    EXPECT_EQ(AsString(scan.files[1].data), "abc");
    EXPECT_EQ(scan.files[2].name, "cut.bin");
    EXPECT_FALSE(scan.files[2].complete);
    EXPECT_EQ(AsString(scan.files[2].data), "abc");
    EXPECT_EQ(scan.remainingText, "begin 644 is not followed by data\nprose\n");
}

TEST(FindUuencodedBlocks, TextWithoutBlocksIsUnchanged) {
    for (const char* text :
         {"", "no blocks\n", "begin\nend\n", "begin 64 x\n#86)C\nend\n", "begin 644\n#86)C\nend\n"}) {
        const auto scan = FindUuencodedBlocks(text);
        EXPECT_TRUE(scan.files.empty()) << text;
        EXPECT_EQ(scan.remainingText, text);
    }
}

}  // namespace
}  // namespace mailvane::mime
