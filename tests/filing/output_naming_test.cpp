#include "filing/output_naming.h"

#include <gtest/gtest.h>

namespace mailvane::filing {
namespace {

TEST(OutputNaming, EveryEmlIsReplaced) {
    const std::pair<std::string, std::string> cases[] = {
        {"a.eml", "a.msg"},         {"B.EML", "B.msg"},         {"notes.EML.eml", "notes.msg.msg"},
        {"x.Eml.txt", "x.msg.txt"}, {"emlfile", "emlfile.msg"}, {"a.emlx", "a.msgx"},
        {".eml", ".msg"},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(OutputFileName(in), out) << in;
}

TEST(OutputNaming, NumberedAsTheProgramNumbersSecondSaves) {
    const std::tuple<std::string, unsigned, std::string> cases[] = {
        {"a.msg", 2, "a (2).msg"}, {"notes.msg.msg", 3, "notes.msg (3).msg"}, {".msg", 2, ".msg (2)"},
        {"noext", 2, "noext (2)"}, {"a.b c.msg", 10, "a.b c (10).msg"},
    };
    for (const auto& [name, number, numbered] : cases) {
        EXPECT_EQ(NumberedFileName(name, number, NameUnits::Utf8Bytes), numbered) << name;
        EXPECT_EQ(NumberedFileName(name, number, NameUnits::Utf16Units), numbered) << name;
    }
}

// A name near the limit loses the end of its stem, never a part of a
// character, so that the number fits within 255 of the platform's units.
TEST(OutputNaming, NumberedNamesFitTheNameLimit) {
    const std::string stem251(251, 'x');
    EXPECT_EQ(NumberedFileName(stem251 + ".msg", 2, NameUnits::Utf8Bytes), std::string(247, 'x') + " (2).msg");
    EXPECT_EQ(NumberedFileName(stem251 + ".msg", 12, NameUnits::Utf8Bytes), std::string(246, 'x') + " (12).msg");
    EXPECT_EQ(NumberedFileName(std::string(255, 'x'), 2, NameUnits::Utf8Bytes), std::string(251, 'x') + " (2)");
    // Two-byte characters: the cut falls before a whole one.
    std::string accents;
    for (int i = 0; i < 125; ++i) accents += "\xC3\xA9";
    const std::string cut = NumberedFileName(accents + ".msg", 2, NameUnits::Utf8Bytes);
    EXPECT_EQ(cut, accents.substr(0, 2 * 123) + " (2).msg");
    EXPECT_EQ(cut.size(), 254u);
    // In UTF-16 units the same name is 129 long and fits as it is.
    EXPECT_EQ(NumberedFileName(accents + ".msg", 2, NameUnits::Utf16Units), accents + " (2).msg");
    // Past U+FFFF a character is two units: none is split. 125 of them and
    // " (2).msg" are 258 units; two go.
    std::string emoji;
    for (int i = 0; i < 125; ++i) emoji += "\xF0\x9F\x93\xA7";
    EXPECT_EQ(NameLength(emoji + ".msg", NameUnits::Utf16Units), 254u);
    const std::string wide = NumberedFileName(emoji + ".msg", 2, NameUnits::Utf16Units);
    EXPECT_EQ(wide, emoji.substr(0, 4 * 123) + " (2).msg");
    EXPECT_EQ(NameLength(wide, NameUnits::Utf16Units), 254u);
    // A name whose last dot leaves a longer "extension" than the number
    // leaves room for (a name made from a subject such as "From a.org ...")
    // takes the number at its end, the name cut to fit. Found by fuzzing:
    // the part before the dot was cut away and the name still passed 255.
    const std::string dotted = "From a." + std::string(250, 'o');
    for (const NameUnits units : {NameUnits::Utf8Bytes, NameUnits::Utf16Units}) {
        EXPECT_EQ(NumberedFileName(dotted, 2, units), dotted.substr(0, 251) + " (2)");
        EXPECT_EQ(NumberedFileName("a." + std::string(251, 'o'), 7, units), "a." + std::string(249, 'o') + " (7)");
    }
    EXPECT_EQ(NumberedFileName(u"From a." + std::u16string(250, u'o'), 2),
              u"From a." + std::u16string(244, u'o') + u" (2)");
}

// The component numbers its UTF-16 names by the same rule: the same names
// for the same cases, and a surrogate pair is never cut.
TEST(OutputNaming, Utf16NamesAreNumberedByTheSameRule) {
    const std::tuple<std::u16string, unsigned, std::u16string> cases[] = {
        {u"a.msg", 2, u"a (2).msg"}, {u"notes.msg.msg", 3, u"notes.msg (3).msg"}, {u".msg", 2, u".msg (2)"},
        {u"noext", 2, u"noext (2)"}, {u"a.b c.msg", 10, u"a.b c (10).msg"},
    };
    for (const auto& [name, number, numbered] : cases) EXPECT_EQ(NumberedFileName(name, number), numbered);
    EXPECT_EQ(NumberedFileName(std::u16string(251, u'x') + u".msg", 12), std::u16string(246, u'x') + u" (12).msg");
    std::u16string emoji;
    for (int i = 0; i < 125; ++i) emoji += u"\U0001F4E7";
    const std::u16string wide = NumberedFileName(emoji + u".msg", 2);
    EXPECT_EQ(wide, emoji.substr(0, 2 * 123) + u" (2).msg");
    EXPECT_EQ(wide.size(), 254u);
    // A surrogate without its pair is one unit like any other.
    const std::u16string lone = std::u16string(250, u'x') + u"\xD800.msg";
    EXPECT_EQ(NumberedFileName(lone, 2), std::u16string(247, u'x') + u" (2).msg");
}

}  // namespace
}  // namespace mailvane::filing
