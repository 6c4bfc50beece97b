// Files named relative to the folder kept open: the same files as by their
// paths, one opening of each folder, the folder at the path again once the
// one kept has been removed and made again there, and a folder moved away
// during a run followed to its new place.
#include "eml2msg/folder_descriptor_cache_posix.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "eml2msg/file_conversion.h"
#include "scratch_folder.h"

namespace mailvane::cli {
namespace {

using Status = ConversionOutcome::Status;

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

class FoldersChangedDuringARun : public FolderDescriptorCacheTest {
protected:
    FoldersChangedDuringARun() {
        std::filesystem::create_directories(m_in);
        std::filesystem::create_directories(m_out);
        ScratchFolder::Write(m_in / "first.eml", kMessage);
        ScratchFolder::Write(m_in / "second.eml", kMessage);
        EXPECT_EQ(ConvertFile(m_in / "first.eml", m_out / "first.msg", ExistingOutput::Skip).status, Status::Converted);
    }
    static constexpr char kMessage[] = "From: a@b.c\r\nSubject: hi\r\n\r\nbody\r\n";
    const std::filesystem::path m_in = m_folder / "in";
    const std::filesystem::path m_out = m_folder / "out";
};

// Removed and made again at their paths between two files: the second file
// is read from the new input folder and written into the new output folder.
TEST_F(FoldersChangedDuringARun, FoldersRemovedAndMadeAgainAreOpenedAgain) {
    std::filesystem::remove_all(m_in);
    std::filesystem::remove_all(m_out);
    std::filesystem::create_directories(m_in);
    std::filesystem::create_directories(m_out);
    ScratchFolder::Write(m_in / "second.eml", kMessage);

    const ConversionOutcome outcome = ConvertFile(m_in / "second.eml", m_out / "second.msg", ExistingOutput::Skip);
    EXPECT_EQ(outcome.status, Status::Converted) << outcome.reason;
    EXPECT_TRUE(std::filesystem::is_regular_file(m_out / "second.msg"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_out), {}), 1) << "no temporary left";
}

// Moved away between two files of a run that listed the input folder and
// made the output folder: the run goes on with the folders it had, in
// their new places, and loses nothing.
TEST_F(FoldersChangedDuringARun, FoldersMovedAwayAreFollowed) {
    std::filesystem::rename(m_in, m_folder / "in-moved");
    std::filesystem::rename(m_out, m_folder / "out-moved");

    const KnownFiles listedAndMade{.inputListedAsFile = true, .outputFolderMadeByRun = true};
    const ConversionOutcome outcome =
        ConvertFile(m_in / "second.eml", m_out / "second.msg", ExistingOutput::Skip, {}, listedAndMade);
    EXPECT_EQ(outcome.status, Status::Converted) << outcome.reason;
    EXPECT_TRUE(std::filesystem::is_regular_file(m_folder / "out-moved/second.msg"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_folder / "out-moved"), {}), 2);
}

// A folder gone for good: the file is missing, as by its path.
TEST_F(FoldersChangedDuringARun, AFolderGoneForGoodFailsTheFile) {
    std::filesystem::remove_all(m_in);
    EXPECT_EQ(ConvertFile(m_in / "second.eml", m_out / "second.msg", ExistingOutput::Skip).status, Status::Failed);

    ScratchFolder::Write(m_folder / "third.eml", kMessage);
    std::filesystem::remove_all(m_out);
    const ConversionOutcome outcome = ConvertFile(m_folder / "third.eml", m_out / "third.msg", ExistingOutput::Skip);
    EXPECT_EQ(outcome.status, Status::Failed);
    EXPECT_NE(outcome.reason.find("No such file"), std::string::npos) << outcome.reason;
}

}  // namespace
}  // namespace mailvane::cli
