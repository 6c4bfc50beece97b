#include "engine/mapping/streamed_body.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "engine/charset/charset_decoder.h"
#include "engine/io/vector_sink.h"
#include "engine/mapping/flowed_text.h"
#include "engine/mapping/line_ends.h"

namespace mailvane::mapping {
namespace {

std::u16string Whole(std::string_view bytes, std::string_view charset) {
    return WithCrLfLineEnds(charset::DecodeToUtf16(bytes, charset).text);
}

std::u16string InPieces(std::string_view bytes, std::string_view charset, std::size_t pieceBytes,
                        std::size_t* pieces = nullptr) {
    std::u16string text;
    ForEachTextPiece(
        bytes, TextReading{std::string(charset)},
        [&](std::u16string_view piece) {
            EXPECT_FALSE(piece.empty());
            text += piece;
            if (pieces) ++*pieces;
        },
        pieceBytes);
    return text;
}

// Text of line ends of every kind (CR runs before LF among them), of
// characters of one to four UTF-8 bytes and of U+FEFF (a byte-order mark
// only at the start), so that pieces are cut beside and inside all of them.
std::string RandomText(std::mt19937& random, std::size_t length, bool utf8) {
    static const std::vector<std::string> kUtf8 = {
        "a", " ", "\r", "\n", "\r\n", "\r\r\n", "\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "\t", "\xEF\xBB\xBF"};
    static const std::vector<std::string> kLatin = {"a",    "\r",   "\n",   "\r\n", "\r\r\n",
                                                    "\xE9", "\x80", "\xFF", "\x81", "\xEF\xBB\xBF"};
    const auto& alphabet = utf8 ? kUtf8 : kLatin;
    std::string text;
    while (text.size() < length) text += alphabet[random() % alphabet.size()];
    return text;
}

// Whatever the size of the pieces, from one byte (smaller than a character)
// up, and wherever they fall, the pieces join to the text decoded whole.
TEST(StreamedBody, PiecesJoinToTheWholeText) {
    std::mt19937 random(7);
    for (int round = 0; round < 400; ++round) {
        const bool utf8 = round % 2 == 0;
        const std::string charset = utf8 ? "utf-8" : "windows-1252";
        const std::string bytes = RandomText(random, 1 + random() % 120, utf8);
        ASSERT_TRUE(charset::DecodesInPieces(bytes, charset));
        const std::u16string whole = Whole(bytes, charset);
        for (std::size_t pieceBytes : {1u, 2u, 3u, 4u, 5u, 7u, 16u, 1000u}) {
            ASSERT_EQ(InPieces(bytes, charset, pieceBytes), whole)
                << charset << ", pieces of " << pieceBytes << ": " << ::testing::PrintToString(bytes);
        }
    }
}

// Flowed text too: its lines are joined as UnflowText joins them whole,
// wherever the pieces end (in a line, between CR and LF, after a blank).
TEST(StreamedBody, FlowedPiecesJoinToTheWholeUnflowedText) {
    static const std::vector<std::string> kAlphabet = {
        "a", " ", "\r", "\n", "\r\n", ">", "> ", "-- ", "x \r\n", "\xC3\xA9", "\xF0\x9F\x98\x80"};
    std::mt19937 random(9);
    for (int round = 0; round < 3000; ++round) {
        std::string bytes;
        const std::size_t length = random() % 40;
        while (bytes.size() < length) bytes += kAlphabet[random() % kAlphabet.size()];
        const TextReading reading{"utf-8", true, round % 2 == 0};
        const std::u16string whole =
            WithCrLfLineEnds(UnflowText(charset::DecodeToUtf16(bytes, "utf-8").text, reading.deleteSpace));
        for (std::size_t pieceBytes : {1u, 2u, 3u, 5u, 1000u}) {
            std::u16string text;
            ForEachTextPiece(
                bytes, reading, [&](std::u16string_view piece) { text += piece; }, pieceBytes);
            ASSERT_EQ(text, whole) << "pieces of " << pieceBytes << ": " << ::testing::PrintToString(bytes);
        }
    }
}

TEST(StreamedBody, ABodyIsReadAPieceAtATime) {
    std::string bytes;
    while (bytes.size() < 5 * kTextPieceBytes) bytes += "Une ligne de texte, \xC3\xA9t\xC3\xA9 comme hiver.\n";
    std::size_t pieces = 0;
    EXPECT_EQ(InPieces(bytes, "utf-8", kTextPieceBytes, &pieces), Whole(bytes, "utf-8"));
    EXPECT_GE(pieces, 5u);
    EXPECT_LE(pieces, 6u);
}

// Only charsets whose bytes below 0x80 are always ASCII, and bytes that
// decode cleanly in them, are read in pieces: a cut inside a Shift_JIS
// pair or invalid UTF-8 (decoded whole by a fallback) would change the text.
TEST(StreamedBody, OnlyCharsetsReadableInPiecesQualify) {
    EXPECT_TRUE(charset::DecodesInPieces("caf\xC3\xA9", "UTF-8"));
    EXPECT_TRUE(charset::DecodesInPieces("plain", "us-ascii"));
    EXPECT_TRUE(charset::DecodesInPieces("caf\xE9", "iso-8859-1"));
    EXPECT_FALSE(charset::DecodesInPieces("caf\xE9", "utf-8"));
    EXPECT_FALSE(charset::DecodesInPieces("caf\xE9", "us-ascii"));
    EXPECT_FALSE(charset::DecodesInPieces("\x82\xA0", "shift_jis"));
    EXPECT_FALSE(charset::DecodesInPieces("text", "x-unknown"));
    EXPECT_FALSE(charset::DecodesInPieces("text", ""));
}

TEST(StreamedBody, SourcesWriteWhatTheyMeasure) {
    const std::string bytes = "one\ntwo\r\nthr\xC3\xA9\xC3\xA9\r";
    auto keeper = std::make_shared<std::vector<std::uint8_t>>(bytes.begin(), bytes.end());
    const SharedBytes shared{keeper, *keeper};
    const std::u16string text = Whole(bytes, "utf-8");
    ASSERT_EQ(text, u"one\r\ntwo\r\nthr\u00E9\u00E9\r\n");

    const TextSource decoded(
        [&](const TextPieces& out) { ForEachTextPiece(shared.Chars(), TextReading{"utf-8"}, out, 4); },
        text.size() * 2);
    VectorSink written;
    ASSERT_TRUE(decoded.WriteTo(written));
    ASSERT_EQ(written.Bytes().size(), decoded.Size());
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(written.Bytes().data()), text.size()), text);

    const SharedBytesSource raw(shared);
    VectorSink copied;
    ASSERT_TRUE(raw.WriteTo(copied));
    EXPECT_EQ(copied.Bytes(), *keeper);
}

}  // namespace
}  // namespace mailvane::mapping
