#include "engine/text/ascii_case.h"

#include <gtest/gtest.h>

#include <string>

namespace mailvane::text {
namespace {

// Only A-Z and a-z change case; the bytes and units around them, the
// characters of other scripts (whose case a locale would change) and the
// bytes of UTF-8 stay as they are.
TEST(AsciiCase, OnlyTheAsciiLettersChange) {
    const std::string bytes = "@AZ[`az{ 09\x7F\xC3\x89\xE9";
    EXPECT_EQ(ToLowerAscii(bytes), "@az[`az{ 09\x7F\xC3\x89\xE9");
    EXPECT_EQ(ToUpperAscii(bytes), "@AZ[`AZ{ 09\x7F\xC3\x89\xE9");
    const std::u16string units = u"@AZ[`az{\u00C9\u00E9\u0130\u0131\uFF21";
    EXPECT_EQ(ToLowerAscii(units), u"@az[`az{\u00C9\u00E9\u0130\u0131\uFF21");
    EXPECT_EQ(ToUpperAscii(units), u"@AZ[`AZ{\u00C9\u00E9\u0130\u0131\uFF21");
    for (int c = 0; c < 256; ++c) {
        const char byte = static_cast<char>(c);
        const bool upper = c >= 'A' && c <= 'Z';
        const bool lower = c >= 'a' && c <= 'z';
        EXPECT_EQ(AsciiLower(byte), upper ? static_cast<char>(c + 32) : byte) << c;
        EXPECT_EQ(AsciiUpper(byte), lower ? static_cast<char>(c - 32) : byte) << c;
        // A unit whose low byte is a letter is no letter.
        const auto unit = static_cast<char16_t>(0x100 + c);
        EXPECT_EQ(AsciiLower(unit), unit);
        EXPECT_EQ(AsciiUpper(unit), unit);
    }
}

TEST(AsciiCase, ComparesWithoutRegardToCase) {
    struct Case {
        std::string_view a, b;
        bool equal;
    };
    const Case cases[] = {
        {"Content-Type", "content-type", true},
        {"CONTENT-TYPE", "content-type", true},
        {"", "", true},
        {"Subject", "Subjec", false},
        {"Subject", "Subjekt", false},
        {"[", "{", false},  // 0x5B and 0x7B differ by the case bit, yet are no letters
        {"@", "`", false},
        {"\xC3\x89", "\xC3\xA9", false},  // É and é in UTF-8: not ASCII
    };
    for (const Case& c : cases) {
        EXPECT_EQ(EqualsIgnoreCase(c.a, c.b), c.equal) << c.a << " / " << c.b;
        EXPECT_EQ(EqualsIgnoreCase(c.b, c.a), c.equal) << c.b << " / " << c.a;
    }
    EXPECT_TRUE(EqualsIgnoreCase(u"SMTP", u"smtp"));
    EXPECT_FALSE(EqualsIgnoreCase(u"\u00C9", u"\u00E9"));
    static_assert(EqualsIgnoreCase("Received", "RECEIVED"), "usable where constants are");
}

TEST(AsciiCase, StartsWithIgnoringCase) {
    EXPECT_TRUE(StartsWithIgnoreCase("Content-Length: 12", "content-length:"));
    EXPECT_TRUE(StartsWithIgnoreCase("X-MS-Exchange-Organization-Id", "x-ms-exchange-"));
    EXPECT_TRUE(StartsWithIgnoreCase("anything", ""));
    EXPECT_FALSE(StartsWithIgnoreCase("Content", "content-length:"));
    EXPECT_FALSE(StartsWithIgnoreCase("Content_Length:", "content-length:"));
}

}  // namespace
}  // namespace mailvane::text
