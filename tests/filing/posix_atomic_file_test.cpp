// The atomic file and the sweep of leftover temporaries on Linux: a pipe
// that takes a new output's name meanwhile keeps it, and leftovers of
// ended or old runs go while a live run's stay.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <ctime>
#include <sys/stat.h>
#include <sys/wait.h>

#include "filing/atomic_file.h"
#include "filing/temporary_name.h"
#include "filing/temporary_sweep.h"
#include "tests/support/scratch_folder.h"

namespace mailvane::filing {

using testing::ScratchFolder;
namespace {

bool IsFifo(const std::filesystem::path& path) {
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0 && S_ISFIFO(status.st_mode);
}

TEST(PosixAtomicFile, ItChecksAgainWhenItCommits) {
    const ScratchFolder folder("posix-atomic");
    // A pipe where the output was missing when the file opened: the new
    // name is taken only if still free, so the pipe stays.
    for (const auto existing : {AtomicFile::ExistingTarget::Keep, AtomicFile::ExistingTarget::Absent}) {
        const auto target = folder / "late.msg";
        {
            AtomicFile sink(target, existing);
            ASSERT_TRUE(sink.IsOpen()) << sink.Error();
            ASSERT_EQ(::mkfifo(target.c_str(), 0600), 0);
            const std::uint8_t byte = 'x';
            ASSERT_TRUE(sink.Write(&byte, 1));
            EXPECT_FALSE(sink.Commit());
            EXPECT_TRUE(IsFifo(target));
        }
        ASSERT_EQ(::unlink(target.c_str()), 0);
    }
}

// A device is written through in place: there are no earlier bytes to go
// back to, so a Rewrite is refused with a reason rather than sent on.
TEST(PosixAtomicFile, ADeviceWrittenThroughRefusesARewrite) {
    AtomicFile sink("/dev/null");
    ASSERT_TRUE(sink.IsOpen()) << sink.Error();
    const std::uint8_t bytes[] = {'a', 'b'};
    ASSERT_TRUE(sink.Write(bytes, 2));
    EXPECT_FALSE(sink.Rewrite(0, bytes, 1));
    EXPECT_NE(sink.Error().find("written through"), std::string::npos) << sink.Error();
}

// The id of a process that has ended (and been reaped).
unsigned long EndedProcess() {
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    int status = 0;
    ::waitpid(child, &status, 0);
    return static_cast<unsigned long>(child);
}

void MakeQuietFor(const std::filesystem::path& path, std::chrono::seconds quiet) {
    const timespec now{std::time(nullptr) - static_cast<std::time_t>(quiet.count()), 0};
    const timespec times[2] = {now, now};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

TEST(TemporarySweep, RemovesLeftoversOfEndedOrOldRunsAndKeepsLiveOnes) {
    const ScratchFolder folder("sweep");
    const unsigned long ended = EndedProcess();
    const auto running = static_cast<unsigned long>(::getppid());
    const auto self = static_cast<unsigned long>(::getpid());
    struct Case {
        std::string name;
        std::chrono::seconds quiet;
        bool removed;
    };
    using std::chrono::minutes;
    const std::vector<Case> cases = {
        {TemporaryNameFor("killed.msg", ended, 0), minutes(2), true},
        {TemporaryNameFor("other machine.msg", ended, 1), std::chrono::seconds(5), false},
        {TemporaryNameFor("running.msg", running, 0), minutes(2), false},
        {TemporaryNameFor("id given again.msg", running, 1), kQuietForAnyLeftover + minutes(1), true},
        {TemporaryNameFor("ours.msg", self, 0), kQuietForAnyLeftover + minutes(1), false},
        {"~component.msg.tmp", kQuietForAnyLeftover + minutes(1), false},
        {"mine.msg", kQuietForAnyLeftover + minutes(1), false},
    };
    for (const Case& c : cases) {
        ScratchFolder::Write(folder / c.name, "x");
        MakeQuietFor(folder / c.name, c.quiet);
    }
    // A folder of that form is never removed.
    std::filesystem::create_directory(folder / TemporaryNameFor("folder", ended, 2));
    SweepLeftoverTemporaries(folder.Path());
    for (const Case& c : cases) EXPECT_EQ(!std::filesystem::exists(folder / c.name), c.removed) << c.name;
    EXPECT_TRUE(std::filesystem::is_directory(folder / TemporaryNameFor("folder", ended, 2)));
    // A folder that cannot be read is passed over.
    SweepLeftoverTemporaries(folder / "missing");
}

TEST(TemporarySweep, EachFolderIsListedOnce) {
    const ScratchFolder folder("sweep-once");
    const unsigned long ended = EndedProcess();
    const std::string first = TemporaryNameFor("first.msg", ended, 0);
    const std::string later = TemporaryNameFor("later.msg", ended, 1);
    ScratchFolder::Write(folder / first, "");
    MakeQuietFor(folder / first, std::chrono::minutes(2));
    TemporarySweep sweep;
    sweep.SweepOnce(folder.Path());
    EXPECT_FALSE(std::filesystem::exists(folder / first));
    // A leftover that appears after the folder's listing waits for another session.
    ScratchFolder::Write(folder / later, "");
    MakeQuietFor(folder / later, std::chrono::minutes(2));
    sweep.SweepOnce(folder.Path());
    EXPECT_TRUE(std::filesystem::exists(folder / later));
    TemporarySweep().SweepOnce(folder.Path());
    EXPECT_FALSE(std::filesystem::exists(folder / later));
}

}  // namespace
}  // namespace mailvane::filing
