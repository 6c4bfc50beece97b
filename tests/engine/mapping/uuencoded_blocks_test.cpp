#include "engine/mapping/uuencoded_blocks.h"

#include <gtest/gtest.h>

namespace mailvane::mapping {
namespace {

TEST(UuencodedBlocks, BlockBecomesAFile) {
    std::u16string text = u"Hello\r\nbegin 644 cat.txt\r\n#8V%T\r\n`\r\nend\r\nBye\r\n";
    auto files = ExtractUuencodedBlocks(text);
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].name, u"cat.txt");
    EXPECT_EQ(std::string(files[0].data.begin(), files[0].data.end()), "cat");
    EXPECT_EQ(text, u"Hello\r\nBye\r\n");
}

TEST(UuencodedBlocks, UnterminatedOrMalformedBlocksStay) {
    std::u16string unterminated = u"begin 644 a.bin\n#8V%T\n";
    EXPECT_TRUE(ExtractUuencodedBlocks(unterminated).empty());
    EXPECT_EQ(unterminated, u"begin 644 a.bin\n#8V%T\n");
    std::u16string prose = u"begin the meeting at 10\nend\n";
    EXPECT_TRUE(ExtractUuencodedBlocks(prose).empty());
    EXPECT_EQ(prose, u"begin the meeting at 10\nend\n");
}

TEST(UuencodedBlocks, TwoBlocksInOrder) {
    std::u16string text = u"begin 600 a\n!80``\n`\nend\nmiddle\nbegin 600 b\n!8@``\n`\nend\n";
    auto files = ExtractUuencodedBlocks(text);
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[0].name, u"a");
    EXPECT_EQ(files[0].data, std::vector<std::uint8_t>{'a'});
    EXPECT_EQ(files[1].data, std::vector<std::uint8_t>{'b'});
    EXPECT_EQ(text, u"middle\n");
}

}  // namespace
}  // namespace mailvane::mapping
