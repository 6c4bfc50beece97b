// Outputs that have no name until they are complete: the two ways of naming
// an unnamed file, and the atomic file that writes new outputs through them.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <string_view>
#include <sys/stat.h>
#include <sys/wait.h>

#include "filing/atomic_file.h"
#include "filing/unnamed_file_posix.h"
#include "tests/support/scratch_folder.h"

namespace mailvane::filing {

using testing::ScratchFolder;
namespace {

mode_t Permissions(const std::filesystem::path& path) {
    struct stat status {};
    EXPECT_EQ(::stat(path.c_str(), &status), 0) << path;
    return status.st_mode & 07777;
}

// The mode a file made with 0644 has under this process's umask.
mode_t ExpectedPermissions() {
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return 0644 & ~mask;
}

bool WriteText(int file, std::string_view text) {
    return ::write(file, text.data(), text.size()) == static_cast<ssize_t>(text.size());
}

class UnnamedFile : public ::testing::Test {
protected:
    void SetUp() override {
        if (!UnnamedFilesCanBeNamed()) GTEST_SKIP() << "this system cannot name unnamed files";
        const int probe = OpenUnnamedFile(AT_FDCWD, m_folder.Path().c_str());
        if (probe == -1) GTEST_SKIP() << "the temporary folder's file system has no unnamed files";
        ::close(probe);
    }
    ScratchFolder m_folder{"unnamed"};
};

TEST_F(UnnamedFile, EachWayNamesTheFileWithItsBytesAndMode) {
    for (const Naming naming : {Naming::EmptyPath, Naming::ProcLink}) {
        const auto target = m_folder / (naming == Naming::EmptyPath ? "empty-path.msg" : "proc-link.msg");
        const int file = OpenUnnamedFile(AT_FDCWD, m_folder.Path().c_str());
        ASSERT_NE(file, -1) << std::strerror(errno);
        ASSERT_TRUE(WriteText(file, "complete"));
        const std::size_t before = ScratchFolder::Entries(m_folder.Path());
        const bool named = NameUnnamedFile(file, AT_FDCWD, target.c_str(), naming);
        const int error = errno;
        ::close(file);
        if (!named && naming == Naming::EmptyPath && error == ENOENT) {
            // Refused for want of a privilege before Linux 6.10.
            EXPECT_EQ(ScratchFolder::Entries(m_folder.Path()), before);
            continue;
        }
        ASSERT_TRUE(named) << std::strerror(error);
        EXPECT_EQ(ScratchFolder::Entries(m_folder.Path()), before + 1);
        EXPECT_EQ(ScratchFolder::Read(target), "complete");
        EXPECT_EQ(Permissions(target), ExpectedPermissions());
    }
}

TEST_F(UnnamedFile, NamingNeverReplacesAFile) {
    const auto target = m_folder / "out.msg";
    ScratchFolder::Write(target, "theirs");
    for (const Naming naming : {Naming::EmptyPath, Naming::ProcLink}) {
        const int file = OpenUnnamedFile(AT_FDCWD, m_folder.Path().c_str());
        ASSERT_NE(file, -1) << std::strerror(errno);
        ASSERT_TRUE(WriteText(file, "ours"));
        EXPECT_FALSE(NameUnnamedFile(file, AT_FDCWD, target.c_str(), naming));
        if (naming == Naming::ProcLink) {
            EXPECT_EQ(errno, EEXIST);
        }
        ::close(file);
    }
    EXPECT_EQ(ScratchFolder::Read(target), "theirs");
    EXPECT_EQ(ScratchFolder::Entries(m_folder.Path()), 1u);
}

TEST_F(UnnamedFile, ANewOutputHasNoNameUntilItIsCommitted) {
    for (const auto existing :
         {AtomicFile::ExistingTarget::Replace, AtomicFile::ExistingTarget::Keep, AtomicFile::ExistingTarget::Absent}) {
        const auto target = m_folder / "new.msg";
        AtomicFile sink(target, existing);
        ASSERT_TRUE(sink.IsOpen()) << sink.Error();
        ASSERT_TRUE(sink.Write(reinterpret_cast<const std::uint8_t*>("new"), 3));
        EXPECT_TRUE(sink.TemporaryPath().empty());
        EXPECT_EQ(ScratchFolder::Entries(m_folder.Path()), 0u);
        ASSERT_TRUE(sink.Commit()) << sink.Error();
        EXPECT_EQ(ScratchFolder::Read(target), "new");
        EXPECT_EQ(Permissions(target), ExpectedPermissions());
        std::filesystem::remove(target);
    }
}

TEST_F(UnnamedFile, AReplacementStillGoesThroughANamedTemporary) {
    const auto target = m_folder / "old.msg";
    ScratchFolder::Write(target, "old");
    AtomicFile sink(target);
    ASSERT_TRUE(sink.IsOpen()) << sink.Error();
    EXPECT_FALSE(sink.TemporaryPath().empty());
    ASSERT_TRUE(sink.Write(reinterpret_cast<const std::uint8_t*>("new"), 3));
    ASSERT_TRUE(sink.Commit()) << sink.Error();
    EXPECT_EQ(ScratchFolder::Read(target), "new");
    EXPECT_EQ(ScratchFolder::Entries(m_folder.Path()), 1u);
}

TEST_F(UnnamedFile, AWriterKilledBeforeCommittingLeavesNothing) {
    const auto target = m_folder / "killed.msg";
    const pid_t child = ::fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        AtomicFile sink(target, AtomicFile::ExistingTarget::Absent);
        if (!sink.IsOpen() || !sink.Write(reinterpret_cast<const std::uint8_t*>("half"), 4)) ::_exit(1);
        ::raise(SIGKILL);
        ::_exit(2);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "the writer did not get as far as writing";
    EXPECT_EQ(ScratchFolder::Entries(m_folder.Path()), 0u);
}

// The atomic file keeps the last output folder open; one removed and made again at
// its path, before or while an output is written, still gets the output.
TEST_F(UnnamedFile, AFolderMadeAgainAtItsPathGetsTheOutput) {
    const auto folder = m_folder / "out";
    const auto remake = [&] {
        std::filesystem::remove_all(folder);
        std::filesystem::create_directory(folder);
    };
    const auto write = [&](const char* name, bool remakeWhileWriting) {
        AtomicFile sink(folder / name, AtomicFile::ExistingTarget::Absent);
        ASSERT_TRUE(sink.IsOpen()) << sink.Error();
        ASSERT_TRUE(sink.Write(reinterpret_cast<const std::uint8_t*>("x"), 1));
        if (remakeWhileWriting) remake();
        ASSERT_TRUE(sink.Commit()) << sink.Error();
        EXPECT_EQ(ScratchFolder::Read(folder / name), "x");
    };
    std::filesystem::create_directory(folder);
    write("first.msg", false);
    remake();
    write("second.msg", false);
    write("third.msg", true);
    EXPECT_EQ(ScratchFolder::Entries(folder), 1u);
}

}  // namespace
}  // namespace mailvane::filing
