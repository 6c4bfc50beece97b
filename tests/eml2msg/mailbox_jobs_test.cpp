#include "eml2msg/mailbox_jobs.h"

#include <gtest/gtest.h>

namespace mailvane::cli {
namespace {

TEST(MailboxMessageFileName, NumberedWithinTheNameLimit) {
    EXPECT_EQ(MailboxMessageFileName(1, "Hello"), "1-Hello.msg");
    EXPECT_EQ(MailboxMessageFileName(12, ""), "12.msg");
    EXPECT_EQ(MailboxMessageFileName(3, "../.."), "3-_.msg");
    EXPECT_EQ(MailboxMessageFileName(7, "NUL"), "7-_NUL.msg");
    const std::string longest = MailboxMessageFileName(123456, std::string(1000, 'z'));
    EXPECT_EQ(longest.size(), 255u);
    EXPECT_TRUE(longest.starts_with("123456-zzz"));
    EXPECT_TRUE(longest.ends_with("z.msg"));
}

}  // namespace
}  // namespace mailvane::cli
