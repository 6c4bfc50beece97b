#include "engine/mapping/flowed_text.h"

#include <gtest/gtest.h>

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
    };
    for (const auto& c : cases) {
        EXPECT_EQ(UnflowText(c.in, c.deleteSpace), c.out) << std::string(c.in.begin(), c.in.end());
    }
}

}  // namespace
}  // namespace mailvane::mapping
