#include "engine/mapping/flowed_text.h"

#include <gtest/gtest.h>

#include <iterator>
#include <random>

namespace mailvane::mapping {
namespace {

TEST(FlowedText, Unflowing) {
    struct Case {
        std::u16string in;
        bool deleteSpace;
        std::u16string out;
    };
    const Case cases[] = {
        {u"one \r\ntwo \r\nthree\r\nfour", false, u"one two three\r\nfour"},
        {u"one \r\ntwo", true, u"onetwo"},
        {u" From stuffed\r\n  two spaces", false, u"From stuffed\r\n two spaces"},
        {u"-- \r\nsignature", false, u"-- \r\nsignature"},
        {u"> quoted \r\n> more\r\nplain", false, u"> quoted more\r\nplain"},
        {u"> deep \r\n>> deeper", false, u"> deep \r\n>> deeper"},
        {u"ends flowed \r\n", false, u"ends flowed \r\n"},
        {u"", false, u""},
        {u"fixed\nlines\n", false, u"fixed\r\nlines\r\n"},
        {u"ends flowed \n\r", false, u"ends flowed \r\n"},
        {u"ends flowed \n\r", true, u"ends flowed\r\n"},
        {u"\n", false, u"\r\n"},
        {u"\r", false, u""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(UnflowText(c.in, c.deleteSpace), c.out) << std::string(c.in.begin(), c.in.end());
    }
}

// Handed over in pieces cut anywhere (in a line, between CR and LF, after
// the blank of a flowed line), the text unflows as it does whole.
TEST(FlowedText, PiecesUnflowAsTheWhole) {
    const char16_t* const alphabet[] = {u"a", u" ", u"\r", u"\n", u"\r\n", u">", u"> ", u"-- ", u"x "};
    std::mt19937 random(3);
    for (int round = 0; round < 20000; ++round) {
        std::u16string text;
        const std::size_t count = random() % 12;
        for (std::size_t i = 0; i < count; ++i) text += alphabet[random() % std::size(alphabet)];
        const bool deleteSpace = round % 2 == 0;
        const std::size_t first = random() % (text.size() + 1);
        const std::size_t second = first + random() % (text.size() - first + 1);
        std::u16string pieces;
        const TextPieces collect = [&](std::u16string_view piece) { pieces += piece; };
        FlowedTextReader reader(deleteSpace, collect);
        reader.Append(std::u16string_view(text).substr(0, first));
        reader.Append(std::u16string_view(text).substr(first, second - first));
        reader.Append(std::u16string_view(text).substr(second));
        reader.Finish();
        ASSERT_EQ(pieces, UnflowText(text, deleteSpace)) << "cut at " << first << " and " << second;
    }
}

}  // namespace
}  // namespace mailvane::mapping
