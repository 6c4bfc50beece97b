#include "filing/folder_tree.h"

#include <gtest/gtest.h>

#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

#include "filing/file_system.h"
#include "tests/support/scratch_folder.h"

namespace mailvane::filing {

using testing::ScratchFolder;
namespace {

bool Ensure(const std::filesystem::path& folder, bool* made = nullptr) {
    std::string error;
    const bool ensured = EnsureFolderTree(folder, error, made);
    EXPECT_EQ(error.empty(), ensured) << error;
    return ensured;
}

TEST(FolderTree, AnExistingFolderIsLeftAsItIs) {
    ScratchFolder root("tree");
    bool made = true;
    EXPECT_TRUE(Ensure(root.Path(), &made));
    EXPECT_FALSE(made);
    EXPECT_TRUE(Ensure(root.Path() / ""));
    EXPECT_TRUE(Ensure(root.Path().root_path()));
}

TEST(FolderTree, CreatesEveryMissingLevel) {
    ScratchFolder root("tree");
    const std::filesystem::path deep = root / "Out/Inbox/2026";
    EXPECT_FALSE(LeadsToFolder(deep));
    bool made = false;
    EXPECT_TRUE(Ensure(deep, &made));
    EXPECT_TRUE(made);
    EXPECT_TRUE(LeadsToFolder(root / "Out"));
    EXPECT_TRUE(LeadsToFolder(deep));
}

TEST(FolderTree, IgnoresOneTrailingSeparator) {
    ScratchFolder root("tree");
    EXPECT_TRUE(Ensure(root / "Out/Inbox/"));
    EXPECT_TRUE(LeadsToFolder(root / "Out/Inbox"));
}

TEST(FolderTree, FailsWhereALevelCannotBeMade) {
    ScratchFolder root("tree");
    ScratchFolder::Write(root / "plain.txt", "x");
    std::string error;
    EXPECT_FALSE(EnsureFolderTree(root / "plain.txt/Inbox", error));
    EXPECT_NE(error, "");
    EXPECT_FALSE(LeadsToFolder(root / "plain.txt/Inbox"));
#ifdef _WIN32
    // A share's server and name are no folders to make, least of all at the
    // root of the current drive.
    EXPECT_FALSE(EnsureFolderTree(L"\\\\mailvane-no-server\\share\\Inbox", error));
    EXPECT_FALSE(LeadsToFolder(L"\\mailvane-no-server"));
    EXPECT_FALSE(EnsureFolderTree(L"\\\\mailvane-no-server\\share", error));
    EXPECT_FALSE(LeadsToFolder(L"\\mailvane-no-server"));
    EXPECT_FALSE(EnsureFolderTree(L"Q:\\mailvane-no-drive\\Inbox", error));
#endif
}

TEST(LeadsToFolder, IsTrueOnlyForFolders) {
    ScratchFolder root("tree");
    ScratchFolder::Write(root / "a.eml", "x");
    EXPECT_TRUE(LeadsToFolder(root.Path()));
    EXPECT_FALSE(LeadsToFolder(root / "a.eml"));
    EXPECT_FALSE(LeadsToFolder(root / "missing"));
}

#ifdef _WIN32
// The program joins a drive root and a row's folder name into "C:\\name".
TEST(FolderTree, PassesADoubledSeparatorAfterADriveRootUnchanged) {
    const std::wstring name = L"mv-tree-" + std::to_wstring(GetCurrentProcessId());
    EXPECT_TRUE(Ensure(L"C:\\\\" + name));
    EXPECT_TRUE(LeadsToFolder(L"C:\\" + name));
    RemoveDirectoryW((L"C:\\" + name).c_str());
}
#endif

}  // namespace
}  // namespace mailvane::filing
