#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "filing/file_system.h"
#include "filing/utf8_path.h"
#include "tests/support/scratch_folder.h"

namespace mailvane::filing {

using testing::ScratchFolder;
namespace {

TEST(ListFolder, EveryEntrySortedByNameWithFoldersAndFilesToldApart) {
    ScratchFolder root("listing");
    for (const char* folder : {"b.sbd", "cur", ".Work"}) std::filesystem::create_directories(root.Path() / folder);
    for (const char* file : {"Inbox", "Inbox.msf", "a", "Zed", ".hidden"})
        ScratchFolder::Write(root.Path() / file, "x");
    std::vector<FolderEntry> entries;
    std::string error;
    ASSERT_TRUE(ListFolder(root.Path(), entries, error)) << error;
    std::vector<std::string> listed;
    for (const FolderEntry& entry : entries)
        listed.push_back((entry.isFolder ? "d " : entry.isFile ? "f " : "? ") + Utf8FromPath(entry.name));
    EXPECT_EQ(listed, (std::vector<std::string>{"d .Work", "f .hidden", "f Inbox", "f Inbox.msf", "f Zed", "f a",
                                                "d b.sbd", "d cur"}));
}

#ifndef _WIN32
TEST(ListFolder, ALinkIsNeitherAFolderNorAFile) {
    ScratchFolder root("links");
    std::filesystem::create_directories(root.Path() / "real");
    ScratchFolder::Write(root.Path() / "file", "x");
    std::filesystem::create_directory_symlink(root.Path(), root.Path() / "loop");
    std::filesystem::create_symlink(root.Path() / "file", root.Path() / "to-file");
    std::vector<FolderEntry> entries;
    std::string error;
    ASSERT_TRUE(ListFolder(root.Path(), entries, error)) << error;
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_TRUE(entries[0].isFile);                          // file
    EXPECT_FALSE(entries[1].isFolder || entries[1].isFile);  // loop
    EXPECT_TRUE(entries[2].isFolder);                        // real
    EXPECT_FALSE(entries[3].isFolder || entries[3].isFile);  // to-file
}
#endif

TEST(ListFolder, AFolderThatCannotBeReadSaysWhy) {
    ScratchFolder root("unreadable");
    std::vector<FolderEntry> entries;
    std::string error;
    EXPECT_FALSE(ListFolder(root.Path() / "missing", entries, error));
    EXPECT_NE(error, "");
    EXPECT_TRUE(entries.empty());
}

}  // namespace
}  // namespace mailvane::filing
