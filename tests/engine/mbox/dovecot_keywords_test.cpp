#include "engine/mbox/dovecot_keywords.h"

#include <gtest/gtest.h>

namespace mailvane::mbox {
namespace {

TEST(DovecotKeywords, NamesEachLetterByItsNumber) {
    const DovecotKeywords keywords = ParseDovecotKeywords("0 $Forwarded\n1 Work\r\n3 $label1\n25 Last\n");
    EXPECT_EQ(keywords[0], "$Forwarded");
    EXPECT_EQ(keywords[1], "Work");
    EXPECT_EQ(keywords[2], "");
    EXPECT_EQ(keywords[3], "$label1");
    EXPECT_EQ(keywords[25], "Last");
}

TEST(DovecotKeywords, LinesThatNameNoLetterAreLeftOut) {
    const DovecotKeywords keywords = ParseDovecotKeywords(
        "26 Past\n100 Far\n9999999999 Huge\n-1 Negative\nx Word\n4\n5 \n6Glued\n\n 7 Lead\n"
        "8 Has spaces inside\n2 First\n2 Second");
    for (std::size_t i = 0; i < keywords.size(); ++i) {
        if (i == 2 || i == 8) continue;
        EXPECT_EQ(keywords[i], "") << i;
    }
    EXPECT_EQ(keywords[2], "Second");  // the last name of a number counts, as the file is rewritten
    EXPECT_EQ(keywords[8], "Has spaces inside");
    EXPECT_EQ(ParseDovecotKeywords(""), DovecotKeywords{});
}

// Found by fuzzing: a name read with a carriage return left at its end was
// written back as a line that reads without it.
TEST(DovecotKeywords, CarriageReturnsEndTheLineNotTheName) {
    const DovecotKeywords keywords = ParseDovecotKeywords("0 J24 Last\r\r\n25 Pat\xfe\r\n");
    EXPECT_EQ(keywords[0], "J24 Last");
    EXPECT_EQ(keywords[25], "Pat\xfe");
}

}  // namespace
}  // namespace mailvane::mbox
