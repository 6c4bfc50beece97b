#include "eml2msg/atomic_file_sink.h"

#include <gtest/gtest.h>

#include "eml2msg/temporary_name.h"
#include "scratch_folder.h"

namespace mailvane::cli {
namespace {

constexpr std::uint8_t kNew[] = {'n', 'e', 'w'};

TEST(AtomicFileSink, CommitReplacesTheTarget) {
    ScratchFolder folder("commit");
    const auto target = folder / "out.msg";
    ScratchFolder::Write(target, "old");
    {
        AtomicFileSink sink(target);
        ASSERT_TRUE(sink.IsOpen()) << sink.Error();
        ASSERT_TRUE(sink.Write(kNew, 3));
        EXPECT_EQ(ScratchFolder::Read(target), "old");
        ASSERT_TRUE(sink.Commit()) << sink.Error();
    }
    EXPECT_EQ(ScratchFolder::Read(target), "new");
    EXPECT_EQ(ScratchFolder::Entries(folder.Path()), 1u);
}

TEST(AtomicFileSink, AbandonedWriteLeavesNothing) {
    ScratchFolder folder("abandon");
    {
        AtomicFileSink sink(folder / "out.msg");
        ASSERT_TRUE(sink.Write(kNew, 1));
        // A named temporary is there while it is written; an unnamed one
        // shows nothing at all.
        if (!sink.TemporaryPath().empty()) {
            EXPECT_TRUE(std::filesystem::exists(sink.TemporaryPath()));
        }
    }
    EXPECT_EQ(ScratchFolder::Entries(folder.Path()), 0u);
}

TEST(AtomicFileSink, MissingFolderFailsClearly) {
    ScratchFolder folder("missing");
    AtomicFileSink sink(folder / "no-such-folder" / "x.msg");
    EXPECT_FALSE(sink.IsOpen());
    EXPECT_FALSE(sink.Error().empty());
    EXPECT_FALSE(sink.Write(kNew, 1));
    EXPECT_FALSE(sink.Commit());
}

TEST(AtomicFileSink, KeepNeverTakesAnExistingName) {
    ScratchFolder folder("keep");
    const auto target = folder / "out.msg";
    ScratchFolder::Write(target, "theirs");
    AtomicFileSink sink(target, AtomicFileSink::ExistingTarget::Keep);
    EXPECT_FALSE(sink.IsOpen());
    EXPECT_TRUE(sink.TargetAppeared());
    EXPECT_EQ(ScratchFolder::Read(target), "theirs");
}

TEST(AtomicFileSink, AFileThatAppearsWhileWritingIsKept) {
    // Absent: the caller looked just before and found nothing, so the sink
    // does not look again; the rename is what keeps the other file.
    for (const auto existing : {AtomicFileSink::ExistingTarget::Keep, AtomicFileSink::ExistingTarget::Absent}) {
        ScratchFolder folder("appears");
        const auto target = folder / "out.msg";
        {
            AtomicFileSink sink(target, existing);
            ASSERT_TRUE(sink.IsOpen()) << sink.Error();
            ASSERT_TRUE(sink.Write(kNew, 3));
            ScratchFolder::Write(target, "another writer's");
            EXPECT_FALSE(sink.Commit());
            EXPECT_TRUE(sink.TargetAppeared());
        }
        EXPECT_EQ(ScratchFolder::Read(target), "another writer's");
        EXPECT_EQ(ScratchFolder::Entries(folder.Path()), 1u);
    }
}

TEST(AtomicFileSink, AbsentWritesANewFile) {
    ScratchFolder folder("absent");
    const auto target = folder / "out.msg";
    AtomicFileSink sink(target, AtomicFileSink::ExistingTarget::Absent);
    ASSERT_TRUE(sink.IsOpen()) << sink.Error();
    ASSERT_TRUE(sink.Write(kNew, 3));
    ASSERT_TRUE(sink.Commit()) << sink.Error();
    EXPECT_EQ(ScratchFolder::Read(target), "new");
    EXPECT_EQ(ScratchFolder::Entries(folder.Path()), 1u);
}

TEST(AtomicFileSink, AReplacedFileThatChangedWhileWritingIsKept) {
    ScratchFolder folder("changed");
    const auto target = folder / "out.msg";
    ScratchFolder::Write(target, "old");
    {
        AtomicFileSink sink(target);
        ASSERT_TRUE(sink.IsOpen()) << sink.Error();
        ASSERT_TRUE(sink.Write(kNew, 3));
        ScratchFolder::Write(folder / "other", "someone else's");
        std::filesystem::rename(folder / "other", target);
        EXPECT_FALSE(sink.Commit());
        EXPECT_NE(sink.Error().find("changed while it was written"), std::string::npos) << sink.Error();
    }
    EXPECT_EQ(ScratchFolder::Read(target), "someone else's");
    EXPECT_EQ(ScratchFolder::Entries(folder.Path()), 1u);
}

TEST(AtomicFileSink, AFolderIsNeverReplaced) {
    ScratchFolder folder("folder");
    const auto target = folder / "out.msg";
    std::filesystem::create_directory(target);
    ScratchFolder::Write(target / "inside", "kept");
    AtomicFileSink sink(target);
    EXPECT_FALSE(sink.IsOpen());
    EXPECT_NE(sink.Error().find("not a regular file"), std::string::npos) << sink.Error();
    EXPECT_EQ(ScratchFolder::Read(target / "inside"), "kept");
}

TEST(AtomicFileSink, ALongNameStillGetsItsTemporary) {
    ScratchFolder folder("long");
    const auto target = folder / (std::string(246, 'n') + ".msg");
    AtomicFileSink sink(target);
    ASSERT_TRUE(sink.IsOpen()) << sink.Error();
    ASSERT_TRUE(sink.Write(kNew, 3));
    ASSERT_TRUE(sink.Commit()) << sink.Error();
    EXPECT_EQ(ScratchFolder::Read(target), "new");
}

TEST(TemporaryName, WithinTheNameLimitAndCutBetweenCharacters) {
    EXPECT_EQ(TemporaryNameFor("a.msg", 42, 7), ".a.msg.42-7.tmp");
    EXPECT_LE(TemporaryNameFor(std::string(255, 'x'), 4294967295ul, 4294967295u).size(), 255u);
    std::string accents;
    for (int i = 0; i < 120; ++i) accents += "é";
    const std::string name = TemporaryNameFor(accents, 1, 1);
    EXPECT_EQ(name.substr(0, 5), ".éé");
    EXPECT_EQ(name.substr(name.size() - 8), ".1-1.tmp");
    EXPECT_EQ(name.size(), 1 + 200 + 8u);
}

TEST(TemporaryName, OwnerReadBackFromTheNamesItGivesAndNoOthers) {
    EXPECT_EQ(TemporaryOwner(TemporaryNameFor("a.msg", 42, 7)), 42ul);
    EXPECT_EQ(TemporaryOwner(TemporaryNameFor(std::string(255, 'x'), 4294967295ul, 3)), 4294967295ul);
    EXPECT_EQ(TemporaryOwner(TemporaryNameFor("report.json", 1, 0)), 1ul);
    EXPECT_EQ(TemporaryOwner(TemporaryNameFor("x.1-2.tmp", 9, 4)), 9ul);
    for (const char* other :
         {"a.msg", ".a.msg.tmp", ".a.msg.42-.tmp", ".a.msg.-7.tmp", ".a.msg.4x-7.tmp", "a.msg.42-7.tmp",
          ".a.msg.42-7.tmp.bak", "..42-7.tmp", ".42-7.tmp", "~a.msg.tmp", ".a.msg.99999999999999999999999-1.tmp"}) {
        EXPECT_FALSE(TemporaryOwner(other)) << other;
    }
}

TEST(TemporaryName, LeftoversAreThoseOfEndedProcessesOrOldOnesNeverOurOwn) {
    using std::chrono::seconds;
    const auto leftover = [](bool own, bool running, seconds quiet) {
        return IsLeftoverTemporary(FoundTemporary{own, running, quiet});
    };
    // A process that ended: once quiet for a minute (not a live run of another machine).
    EXPECT_TRUE(leftover(false, false, kQuietForLeftover));
    EXPECT_FALSE(leftover(false, false, kQuietForLeftover - seconds(1)));
    EXPECT_FALSE(leftover(false, false, seconds(-5)));
    // A process of that id runs: only when it is too old to be its own.
    EXPECT_FALSE(leftover(false, true, kQuietForAnyLeftover - seconds(1)));
    EXPECT_TRUE(leftover(false, true, kQuietForAnyLeftover));
    // This process's own, whatever its age.
    EXPECT_FALSE(leftover(true, true, kQuietForAnyLeftover * 2));
}

}  // namespace
}  // namespace mailvane::cli
