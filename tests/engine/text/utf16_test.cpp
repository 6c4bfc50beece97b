#include "engine/text/utf16.h"

#include <gtest/gtest.h>

#include <string>

namespace mailvane::text {
namespace {

TEST(Utf16, WritesOneUnitOrASurrogatePair) {
    struct Case {
        char32_t c;
        std::u16string units;
    };
    const Case cases[] = {
        {0x41, u"A"},
        {0xD7FF, u"\uD7FF"},
        {0xE000, u"\uE000"},
        {0xFFFF, std::u16string(1, char16_t{0xFFFF})},
        {0x10000, u"\U00010000"},
        {0x1F600, u"\U0001F600"},
        {0x10FFFF, u"\U0010FFFF"},
    };
    for (const Case& c : cases) {
        char16_t units[2] = {};
        const char16_t* end = PutUtf16(units, c.c);
        EXPECT_EQ(std::u16string(units, static_cast<std::size_t>(end - units)), c.units)
            << static_cast<std::uint32_t>(c.c);
        std::u16string appended = u"x";
        AppendUtf16(appended, c.c);
        EXPECT_EQ(appended, u"x" + c.units);
        if (c.units.size() == 2) {
            EXPECT_TRUE(IsHighSurrogate(c.units[0]) && IsLowSurrogate(c.units[1]));
            EXPECT_TRUE(IsSurrogate(c.units[0]) && IsSurrogate(c.units[1]));
        } else {
            EXPECT_FALSE(IsSurrogate(c.units[0]));
        }
    }
}

TEST(Utf16, SurrogateRanges) {
    EXPECT_FALSE(IsSurrogate(0xD7FF));
    EXPECT_TRUE(IsHighSurrogate(0xD800) && IsHighSurrogate(0xDBFF));
    EXPECT_FALSE(IsHighSurrogate(0xDC00) || IsLowSurrogate(0xDBFF));
    EXPECT_TRUE(IsLowSurrogate(0xDC00) && IsLowSurrogate(0xDFFF));
    EXPECT_FALSE(IsSurrogate(0xE000));
}

TEST(Utf16, WidensEveryByteToTheUnitOfTheSameValue) {
    EXPECT_EQ(WidenAscii("Re: 42"), u"Re: 42");
    EXPECT_EQ(WidenAscii(""), u"");
    EXPECT_EQ(WidenAscii("\xE9\x80"), u"\u00E9\u0080");  // never negative
}

}  // namespace
}  // namespace mailvane::text
