#include "engine/text/utf8.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace mailvane::text {
namespace {

TEST(Utf8FromUtf16, EveryLengthOfSequenceAndRunsBetween) {
    const std::pair<std::u16string, std::string> cases[] = {
        {u"", ""},
        {u"plain ascii", "plain ascii"},
        {u"caf\u00e9 au lait", "caf\xC3\xA9 au lait"},
        {u"\u20ac5",
         "\xE2\x82\xAC"
         "5"},
        {u"a\U0001F600b",
         "a\xF0\x9F\x98\x80"
         "b"},
        {u"\u00e9\u00e9ab\u20ac",
         "\xC3\xA9\xC3\xA9"
         "ab\xE2\x82\xAC"},
        {std::u16string(1, u'\x7F') + u"\u0080", "\x7F\xC2\x80"},
        {u"\u07FF\u0800\uFFFF", "\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF"},
    };
    for (const auto& [text, utf8] : cases) EXPECT_EQ(Utf8FromUtf16(text), utf8);
}

TEST(Utf8FromUtf16, AnUnpairedSurrogateBecomesTheReplacementCharacter) {
    const std::u16string high(1, char16_t{0xD83D});
    const std::u16string low(1, char16_t{0xDE00});
    const std::string replacement = "\xEF\xBF\xBD";
    EXPECT_EQ(Utf8FromUtf16(high), replacement);
    EXPECT_EQ(Utf8FromUtf16(u"a" + high + u"b"), "a" + replacement + "b");
    EXPECT_EQ(Utf8FromUtf16(low + u"x"), replacement + "x");
    EXPECT_EQ(Utf8FromUtf16(low + high), replacement + replacement);
}

// Each row a sequence that a decoder once could take wrongly: the shortest
// and longest of each length, overlong forms, surrogates, values past
// U+10FFFF, cut sequences and stray continuation bytes.
TEST(DecodeUtf8, TakesWellFormedSequencesOnly) {
    struct Case {
        std::string bytes;
        std::size_t length;
        char32_t c;
    };
    const Case cases[] = {
        {"A", 1, U'A'},
        {std::string(1, '\0'), 1, 0},
        {"\x7F", 1, 0x7F},
        {"\xC2\x80", 2, 0x80},
        {"\xDF\xBF", 2, 0x7FF},
        {"\xE0\xA0\x80", 3, 0x800},
        {"\xED\x9F\xBF", 3, 0xD7FF},
        {"\xEE\x80\x80", 3, 0xE000},
        {"\xEF\xBF\xBF", 3, 0xFFFF},
        {"\xF0\x90\x80\x80", 4, 0x10000},
        {"\xF4\x8F\xBF\xBF", 4, 0x10FFFF},
        {"\xC3\xA9tail", 2, 0xE9},
        {"\x80", 0, 0},  // a continuation byte alone
        {"\xBF", 0, 0},
        {"\xC0\x80", 0, 0},          // overlong NUL
        {"\xC1\xBF", 0, 0},          // overlong U+007F
        {"\xE0\x9F\xBF", 0, 0},      // overlong U+07FF
        {"\xF0\x8F\xBF\xBF", 0, 0},  // overlong U+FFFF
        {"\xED\xA0\x80", 0, 0},      // a high surrogate
        {"\xED\xBF\xBF", 0, 0},      // a low surrogate
        {"\xF4\x90\x80\x80", 0, 0},  // past U+10FFFF
        {"\xF5\x80\x80\x80", 0, 0},
        {"\xFF", 0, 0},
        {"\xC3", 0, 0},  // cut
        {"\xE2\x82", 0, 0},
        {"\xF0\x9F\x98", 0, 0},
        {"\xC3"
         "A",
         0, 0},  // the second byte no continuation
        {"\xE2\x82"
         "A",
         0, 0},
    };
    for (const Case& c : cases) {
        char32_t decoded = 0;
        const std::size_t length = DecodeUtf8(c.bytes, 0, decoded);
        EXPECT_EQ(length, c.length) << testing::PrintToString(c.bytes);
        if (length != 0) {
            EXPECT_EQ(decoded, c.c) << testing::PrintToString(c.bytes);
        }
    }
}

TEST(DecodeUtf8, ReadsAtTheOffsetGivenAndNotPastTheEnd) {
    const std::string text =
        "a\xE2\x82\xAC\xF0\x9F\x98\x80"
        "b";
    std::vector<std::size_t> lengths;
    std::vector<char32_t> characters;
    for (std::size_t at = 0; at < text.size();) {
        char32_t c = 0;
        const std::size_t length = DecodeUtf8(text, at, c);
        ASSERT_NE(length, 0u) << at;
        lengths.push_back(length);
        characters.push_back(c);
        at += length;
    }
    EXPECT_EQ(lengths, (std::vector<std::size_t>{1, 3, 4, 1}));
    EXPECT_EQ(characters, (std::vector<char32_t>{U'a', 0x20AC, 0x1F600, U'b'}));
    // A sequence cut by the end of the view, whole in the bytes after it.
    char32_t c = 0;
    EXPECT_EQ(DecodeUtf8(std::string_view(text).substr(0, 3), 1, c), 0u);
}

// What one encodes the other reads back, for every code point.
TEST(DecodeUtf8, ReadsBackEveryCharacterUtf8FromUtf16Writes) {
    for (char32_t c = 1; c <= 0x10FFFF; c += (c < 0x30000 ? 1 : 0x101)) {
        if (c >= 0xD800 && c <= 0xDFFF) continue;
        std::u16string units;
        if (c >= 0x10000) {
            units += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            units += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            units += static_cast<char16_t>(c);
        }
        const std::string bytes = Utf8FromUtf16(units);
        char32_t decoded = 0;
        ASSERT_EQ(DecodeUtf8(bytes, 0, decoded), bytes.size()) << static_cast<std::uint32_t>(c);
        ASSERT_EQ(decoded, c);
    }
}

}  // namespace
}  // namespace mailvane::text
