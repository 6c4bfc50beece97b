#include "engine/mbox/gmail_folders.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace mailvane::mbox {
namespace {

using Folders = std::vector<std::vector<std::string>>;

TEST(GmailFolders, FolderLabelsInTheirOrderWithNestedOnesAsLevels) {
    EXPECT_EQ(GmailFolders({"Opened", "Inbox", "Important", "Work/Projects/2026", "Category Updates", "Sent"}),
              (Folders{{"Inbox"}, {"Work", "Projects", "2026"}, {"Sent"}}));
    EXPECT_EQ(GmailFolders({"Drafts", "Spam", "Trash", "Starred", "Unread"}),
              (Folders{{"Drafts"}, {"Spam"}, {"Trash"}}));
    // Localised names are folders as written.
    EXPECT_EQ(GmailFolders({"Posteingang", "Gesendet"}), (Folders{{"Posteingang"}, {"Gesendet"}}));
}

TEST(GmailFolders, AMessageWithoutAFolderLabelIsInArchive) {
    EXPECT_EQ(GmailFolders({}), Folders{{"Archive"}});
    EXPECT_EQ(GmailFolders({"Opened", "Starred", "Category Personal", "Important", "Unread"}), Folders{{"Archive"}});
    EXPECT_EQ(GmailFolders({"/", "//"}), Folders{{"Archive"}});
}

TEST(GmailFolders, EmptyLevelsAndRepeatsAreLeftOut) {
    EXPECT_EQ(GmailFolders({"/A//B/", "A/B", "Categoryless", "Category"}),
              (Folders{{"A", "B"}, {"Categoryless"}, {"Category"}}));
}

}  // namespace
}  // namespace mailvane::mbox
