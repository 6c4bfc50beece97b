#include "conversion/folder_tree.h"

#include "tests/framework/temp_tree.h"

#include <gtest/gtest.h>

namespace {

TEST(EnsureFolderTree, AnExistingFolderIsLeftAsItIs) {
    TempTree tree;
    EXPECT_TRUE(EnsureFolderTree(tree.Root()));
    EXPECT_TRUE(EnsureFolderTree(tree.Root() + L"\\"));
    EXPECT_TRUE(EnsureFolderTree(L"C:\\"));
}

TEST(EnsureFolderTree, CreatesEveryMissingLevel) {
    TempTree tree;
    const CString deep = tree.Path(L"Out\\Inbox\\2026");
    EXPECT_FALSE(IsExistingFolder(deep));
    EXPECT_TRUE(EnsureFolderTree(deep));
    EXPECT_TRUE(IsExistingFolder(tree.Path(L"Out")));
    EXPECT_TRUE(IsExistingFolder(deep));
}

TEST(EnsureFolderTree, IgnoresOneTrailingSeparator) {
    TempTree tree;
    EXPECT_TRUE(EnsureFolderTree(tree.Path(L"Out\\Inbox\\")));
    EXPECT_TRUE(IsExistingFolder(tree.Path(L"Out\\Inbox")));
}

TEST(EnsureFolderTree, PassesADoubledSeparatorAfterADriveRootUnchanged) {
    CString name;
    name.Format(L"mv-tree-%lu", GetCurrentProcessId());
    const CString doubled = L"C:\\\\" + name;
    EXPECT_TRUE(EnsureFolderTree(doubled));
    EXPECT_TRUE(IsExistingFolder(L"C:\\" + name));
    RemoveDirectoryW(L"C:\\" + name);
}

TEST(EnsureFolderTree, FailsWhereALevelCannotBeMade) {
    TempTree tree;
    const CString file = tree.File(L"plain.txt", "x");
    EXPECT_FALSE(EnsureFolderTree(file + L"\\Inbox"));
    EXPECT_FALSE(IsExistingFolder(file + L"\\Inbox"));
    EXPECT_FALSE(EnsureFolderTree(L"\\\\mailvane-no-server\\share\\Inbox"));
    EXPECT_FALSE(EnsureFolderTree(L"Q:\\mailvane-no-drive\\Inbox"));
}

TEST(IsExistingFolder, IsTrueOnlyForDirectories) {
    TempTree tree;
    EXPECT_TRUE(IsExistingFolder(tree.Root()));
    EXPECT_FALSE(IsExistingFolder(tree.File(L"a.eml")));
    EXPECT_FALSE(IsExistingFolder(tree.Path(L"missing")));
    EXPECT_FALSE(IsExistingFolder(L""));
}

}  // namespace
