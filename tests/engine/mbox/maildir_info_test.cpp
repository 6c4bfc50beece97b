#include "engine/mbox/maildir_info.h"

#include <gtest/gtest.h>

#include <string>

namespace mailvane::mbox {
namespace {

// The flags of an info as the letters they stand for, in the order D F P R S T.
std::string Flags(const MaildirInfo& info) {
    std::string letters;
    if (info.draft) letters += 'D';
    if (info.flagged) letters += 'F';
    if (info.passed) letters += 'P';
    if (info.replied) letters += 'R';
    if (info.seen) letters += 'S';
    if (info.trashed) letters += 'T';
    return letters;
}

TEST(MaildirInfo, ReadsFlagsAndKeywordsAndKeepsTheBaseWhateverTheFlags) {
    struct Case {
        std::string name, base;
        bool hasInfo;
        std::string flags, keywords;
    };
    const Case cases[] = {
        {"1700000000.M1P2.host,S=1234,W=1260:2,RS", "1700000000.M1P2.host,S=1234,W=1260", true, "RS", ""},
        {"1700000000.M1P2.host,S=1234,W=1260:2,", "1700000000.M1P2.host,S=1234,W=1260", true, "", ""},
        {"1700000000.M1P2.host,S=1234,W=1260", "1700000000.M1P2.host,S=1234,W=1260", false, "", ""},
        {"msg:2,TSRPFD", "msg", true, "DFPRST", ""},
        {"msg;2,S", "msg", true, "S", ""},    // where ':' is no file-name character
        {"msg!2,FS", "msg", true, "FS", ""},  // as some synchronising tools write it
        {"msg:2,Scab", "msg", true, "S", "abc"},
        {"msg:2,zaa", "msg", true, "", "az"},
        {"msg:2,S9X*", "msg", true, "S", ""},  // unknown letters are no flags
        {"msg:1,experimental", "msg:1,experimental", false, "", ""},
        {"a:2,b:2,S", "a:2,b", true, "S", ""},  // the last info counts
        {":2,S", "", true, "S", ""},
        {"", "", false, "", ""},
        {":2", ":2", false, "", ""},
    };
    for (const Case& c : cases) {
        const MaildirInfo info = ParseMaildirInfo(c.name);
        EXPECT_EQ(info.base, c.base) << c.name;
        EXPECT_EQ(info.hasInfo, c.hasInfo) << c.name;
        EXPECT_EQ(Flags(info), c.flags) << c.name;
        EXPECT_EQ(info.keywords, c.keywords) << c.name;
    }
}

TEST(MaildirInfo, TheSameMessageWithOtherFlagsHasTheSameBase) {
    EXPECT_EQ(ParseMaildirInfo("1.M2.h:2,").base, ParseMaildirInfo("1.M2.h:2,FRSab").base);
    EXPECT_EQ(ParseMaildirInfo("1.M2.h").base, ParseMaildirInfo("1.M2.h;2,S").base);
}

}  // namespace
}  // namespace mailvane::mbox
