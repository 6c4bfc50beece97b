#include "engine/mapping/utf8_encoding.h"

#include <gtest/gtest.h>

#include <string>

namespace mailvane::mapping {
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

}  // namespace
}  // namespace mailvane::mapping
