#include "engine/mapping/line_ends.h"

#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <string_view>

#include "engine/charset/charset_decoder.h"

namespace mailvane::mapping {
namespace {

// The rule read off line by line: a CR followed by CRLF adds nothing, CRLF
// stays, any other CR or LF is a line end of its own.
std::u16string ExpectedCrLf(std::u16string_view text) {
    std::u16string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text.substr(i).starts_with(u"\r\r\n")) continue;
        if (text.substr(i).starts_with(u"\r\n")) {
            out += u"\r\n";
            ++i;
        } else if (text[i] == u'\r' || text[i] == u'\n') {
            out += u"\r\n";
        } else {
            out += text[i];
        }
    }
    return out;
}

// Every text of up to eight units of CR, LF, a letter, another control
// character and a unit with its top bit set (text is looked at four units
// at a time), with room for the growth and without: the same result either
// way.
TEST(LineEnds, EveryShortTextOfCrsAndLfs) {
    const char16_t units[] = {u'a', u'\r', u'\n', u'\x0C', u'\u800D'};
    constexpr std::size_t kKinds = std::size(units);
    for (std::size_t length = 0; length <= 8; ++length) {
        std::size_t count = 1;
        for (std::size_t i = 0; i < length; ++i) count *= kKinds;
        for (std::size_t n = 0; n < count; ++n) {
            std::u16string text;
            for (std::size_t i = 0, rest = n; i < length; ++i, rest /= kKinds) text += units[rest % kKinds];
            const std::u16string expected = ExpectedCrLf(text);
            EXPECT_EQ(WithCrLfLineEnds(text), expected) << n << " of length " << length;
            std::u16string roomy = text;
            roomy.reserve(2 * text.size() + 1);
            EXPECT_EQ(WithCrLfLineEnds(std::move(roomy)), expected) << n << " of length " << length;
        }
    }
}

// A text with room for its CRs is converted where it is: a large body is
// not held twice. Text already in CRLF is kept as it is.
TEST(LineEnds, TextWithRoomIsConvertedInPlace) {
    std::u16string text;
    for (int i = 0; i < 1000; ++i) text += u"line of text\n";
    text.reserve(text.size() + 1000);
    const char16_t* where = text.data();
    const std::u16string converted = WithCrLfLineEnds(std::move(text));
    EXPECT_EQ(converted.data(), where);
    EXPECT_EQ(converted.size(), 1000u * 14);
    EXPECT_TRUE(converted.ends_with(u"text\r\n"));

    std::u16string crlf = u"one\r\ntwo\r\n";
    const char16_t* kept = crlf.data();
    EXPECT_EQ(WithCrLfLineEnds(std::move(crlf)).data(), kept);
}

// The bound counts what the conversion adds to text decoded from the bytes,
// and the decoders leave that much room.
TEST(LineEnds, DecodedTextHasRoomForItsLineEnds) {
    for (const std::string bytes : {"caf\xC3\xA9\nline\n\nend", "lone\rCR\r\nand LF\n", "\r\n\r\n", "no line end"}) {
        const std::size_t bound = LineEndGrowthBound(bytes);
        for (const char* charset : {"utf-8", "us-ascii", "windows-1252", "iso-8859-1", "iso-8859-16", ""}) {
            charset::DecodedText decoded = charset::DecodeToUtf16(bytes, charset, bound);
            const std::size_t size = decoded.text.size();
            EXPECT_GE(decoded.text.capacity(), size + bound) << bytes << " " << charset;
            const std::u16string converted = WithCrLfLineEnds(std::move(decoded.text));
            EXPECT_LE(converted.size(), size + bound) << bytes << " " << charset;
        }
    }
    EXPECT_EQ(LineEndGrowthBound("a\nb\r\nc\rd\n"), 3u);
    // An empty body may be a view of nothing at all.
    EXPECT_EQ(LineEndGrowthBound(std::string_view()), 0u);
    EXPECT_EQ(WithCrLfLineEnds(std::u16string()), u"");
}

}  // namespace
}  // namespace mailvane::mapping
