// Files named relative to the folder kept open: the same files as by their
// paths, and one opening of each folder.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <sys/stat.h>

#include "filing/folder_descriptor_cache_posix.h"
#include "tests/support/scratch_folder.h"

namespace mailvane::filing {

using testing::ScratchFolder;
namespace {

// The inode of what `place` names, or 0.
ino_t InodeAt(const FolderDescriptorCache::Place& place) {
    struct stat status {};
    return ::fstatat(place.folder, place.name, &status, AT_SYMLINK_NOFOLLOW) == 0 ? status.st_ino : 0;
}

ino_t InodeOf(const std::filesystem::path& path) {
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0 ? status.st_ino : 0;
}

class FolderDescriptorCacheTest : public ::testing::Test {
protected:
    FolderDescriptorCacheTest() {
        std::filesystem::create_directories(m_folder / "a");
        std::filesystem::create_directories(m_folder / "b");
        for (const char* name : {"a/one", "a/two", "b/three"}) ScratchFolder::Write(m_folder / name, name);
    }
    ScratchFolder m_folder{"folder-cache"};
};

TEST_F(FolderDescriptorCacheTest, NamesTheSameFilesAsTheirPathsAndKeepsEachFolderWhileItLasts) {
    const std::filesystem::path one = m_folder / "a/one", two = m_folder / "a/two", three = m_folder / "b/three";
    FolderDescriptorCache cache;
    const auto first = cache.Locate(one);
    EXPECT_FALSE(first.kept);
    EXPECT_STREQ(first.name, "one");
    EXPECT_EQ(InodeAt(first), InodeOf(one));

    const auto second = cache.Locate(two);
    EXPECT_TRUE(second.kept);
    EXPECT_EQ(second.folder, first.folder);
    EXPECT_EQ(InodeAt(second), InodeOf(two));

    const auto other = cache.Locate(three);
    EXPECT_FALSE(other.kept);
    EXPECT_EQ(InodeAt(other), InodeOf(three));
    EXPECT_FALSE(cache.Locate(one).kept) << "only the last folder is kept";
}

TEST_F(FolderDescriptorCacheTest, PathsWithoutAFolderToOpenAreTakenWhole) {
    FolderDescriptorCache cache;
    const std::filesystem::path bare = "bare.eml";
    const auto inCurrentFolder = cache.Locate(bare);
    EXPECT_EQ(inCurrentFolder.folder, AT_FDCWD);
    EXPECT_STREQ(inCurrentFolder.name, "bare.eml");

    const std::filesystem::path missing = m_folder / "gone/file.eml";
    const auto unopened = cache.Locate(missing);
    EXPECT_EQ(unopened.folder, AT_FDCWD);
    EXPECT_EQ(std::string(unopened.name), missing.native());

    const std::filesystem::path etc = "/etc";
    const auto atRoot = cache.Locate(etc);
    EXPECT_NE(atRoot.folder, AT_FDCWD);
    EXPECT_STREQ(atRoot.name, "etc");
    EXPECT_EQ(InodeAt(atRoot), InodeOf(etc));
}

}  // namespace
}  // namespace mailvane::filing
