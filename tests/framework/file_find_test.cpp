#include "framework/file_find.h"

#include "framework/cstring_array.h"
#include "tests/framework/temp_tree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

namespace mailvane::framework {

namespace {

TEST(CFileFind, WalksEveryMatchIncludingTheOneAfterTheLastAdvance) {
    TempTree tree;
    tree.File(L"a.eml");
    tree.File(L"b.eml");
    tree.File(L"c.txt");
    tree.Folder(L"d.eml");
    CFileFind finder;
    ASSERT_TRUE(finder.FindFile(tree.Root() + L"\\*.eml"));
    std::set<std::wstring> seen;
    int directories = 0;
    BOOL more = TRUE;
    while (more) {
        more = finder.FindNextFile();
        if (finder.IsDots()) continue;
        if (finder.IsDirectory()) ++directories;
        seen.insert(finder.GetFilePath().GetString());
        EXPECT_EQ(finder.GetFilePath(), tree.Root() + L"\\" + finder.GetFileName());
    }
    EXPECT_EQ(directories, 1);
    const std::set<std::wstring> expected = {(tree.Root() + L"\\a.eml").GetString(),
                                             (tree.Root() + L"\\b.eml").GetString(),
                                             (tree.Root() + L"\\d.eml").GetString()};
    EXPECT_EQ(seen, expected);
}

TEST(CFileFind, ReportsDotsAndNothingForMissingFolders) {
    TempTree tree;
    CFileFind finder;
    EXPECT_FALSE(finder.FindFile(tree.Root() + L"\\missing\\*.eml"));
    EXPECT_FALSE(finder.FindFile(tree.Root() + L"\\*.eml"));
    ASSERT_TRUE(finder.FindFile(tree.Root() + L"\\*"));
    int dots = 0;
    BOOL more = TRUE;
    while (more) {
        more = finder.FindNextFile();
        if (finder.IsDots()) ++dots;
    }
    EXPECT_EQ(dots, 2);
}

TEST(CFileFind, JoinsDriveRootsWithoutADoubledSeparator) {
    CFileFind finder;
    ASSERT_TRUE(finder.FindFile(L"C:\\\\windows"));
    finder.FindNextFile();
    EXPECT_EQ(finder.GetRoot(), CString(L"C:\\"));
    EXPECT_EQ(finder.GetFilePath().CompareNoCase(L"C:\\windows"), 0);
}

}  // namespace

}  // namespace mailvane::framework
