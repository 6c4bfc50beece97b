#include "engine/mbox/maildir_folder_name.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace mailvane::mbox {
namespace {

using Levels = std::vector<std::string>;

TEST(MaildirFolderName, DotsSeparateTheLevels) {
    EXPECT_EQ(MaildirFolderPath(".Work"), Levels{"Work"});
    EXPECT_EQ(MaildirFolderPath(".Work.Projects.2026"), (Levels{"Work", "Projects", "2026"}));
    EXPECT_EQ(MaildirFolderPath(".INBOX.Sent"), (Levels{"INBOX", "Sent"}));
    EXPECT_EQ(MaildirFolderPath(".a..b."), (Levels{"a", "", "b", ""}));
    for (const char* notFolder : {"", ".", "..", "cur", "Work", "tmp"})
        EXPECT_EQ(MaildirFolderPath(notFolder), Levels{});
}

TEST(MaildirFolderName, DecodesDovecotsEscapesAndModifiedUtf7) {
    const std::pair<std::string, std::string> cases[] = {
        {"Entw&APw-rfe",
         "Entw\xc3\xbc"
         "rfe"},
        {"&BB4EQgQ,BEAEMAQyBDsENQQ9BD0ESwQ1-",
         "\xd0\x9e\xd1\x82\xd0\xbf\xd1\x80\xd0\xb0\xd0\xb2\xd0\xbb\xd0\xb5\xd0"
         "\xbd\xd0\xbd\xd1\x8b\xd0\xb5"},  // Отправленные
        {"&2D3eAQ-", "\xf0\x9f\x98\x81"},  // a surrogate pair
        {"Tom &- Jerry", "Tom & Jerry"},
        {"v1\\2e0", "v1.0"},  // listescape: a dot inside a level
        {"a\\2fb", "a/b"},    // a slash, made safe by the caller
        {"\\7ehome", "~home"},
        {"back\\slash", "back\\slash"},  // no two hex digits: kept
        {"&AOk", "&AOk"},                // never shifted back: kept as written
        {"&AOk*-", "&AOk*-"},            // no base64
        {"&2D0-", "&2D0-"},              // a high surrogate alone
        {"&3gE-", "&3gE-"},              // a low surrogate alone
        {"&AOl-", "&AOl-"},              // bits left over that are not zero
    };
    for (const auto& [written, decoded] : cases) EXPECT_EQ(DecodeMaildirFolderLevel(written), decoded) << written;
    EXPECT_EQ(MaildirFolderPath(".Entw&APw-rfe.v1\\2e0"), (Levels{"Entw\xc3\xbc"
                                                                  "rfe",
                                                                  "v1.0"}));
}

}  // namespace
}  // namespace mailvane::mbox
