// Files that appear at their path complete or not at all, on either
// platform.
#include "filing/atomic_file.h"

#include <gtest/gtest.h>

#include "tests/support/scratch_folder.h"

namespace mailvane::filing {

using testing::ScratchFolder;
namespace {

constexpr std::uint8_t kNew[] = {'n', 'e', 'w'};

TEST(AtomicFile, CommitReplacesTheTarget) {
    ScratchFolder folder("commit");
    const auto target = folder / "out.msg";
    ScratchFolder::Write(target, "old");
    {
        AtomicFile sink(target);
        ASSERT_TRUE(sink.IsOpen()) << sink.Error();
        ASSERT_TRUE(sink.Write(kNew, 3));
        EXPECT_EQ(ScratchFolder::Read(target), "old");
        ASSERT_TRUE(sink.Commit()) << sink.Error();
    }
    EXPECT_EQ(ScratchFolder::Read(target), "new");
    EXPECT_EQ(ScratchFolder::Entries(folder.Path()), 1u);
}

TEST(AtomicFile, AbandonedWriteLeavesNothing) {
    ScratchFolder folder("abandon");
    {
        AtomicFile sink(folder / "out.msg");
        ASSERT_TRUE(sink.Write(kNew, 1));
        // A named temporary is there while it is written; an unnamed one
        // shows nothing at all.
        if (!sink.TemporaryPath().empty()) {
            EXPECT_TRUE(std::filesystem::exists(sink.TemporaryPath()));
        }
    }
    EXPECT_EQ(ScratchFolder::Entries(folder.Path()), 0u);
}

TEST(AtomicFile, MissingFolderFailsClearly) {
    ScratchFolder folder("missing");
    AtomicFile sink(folder / "no-such-folder" / "x.msg");
    EXPECT_FALSE(sink.IsOpen());
    EXPECT_FALSE(sink.Error().empty());
    EXPECT_FALSE(sink.Write(kNew, 1));
    EXPECT_FALSE(sink.Commit());
}

TEST(AtomicFile, KeepNeverTakesAnExistingName) {
    ScratchFolder folder("keep");
    const auto target = folder / "out.msg";
    ScratchFolder::Write(target, "theirs");
    AtomicFile sink(target, AtomicFile::ExistingTarget::Keep);
    EXPECT_FALSE(sink.IsOpen());
    EXPECT_TRUE(sink.TargetAppeared());
    EXPECT_EQ(ScratchFolder::Read(target), "theirs");
}

TEST(AtomicFile, AFileThatAppearsWhileWritingIsKept) {
    // Absent: the caller looked just before and found nothing, so the file
    // does not look again; the rename is what keeps the other file.
    for (const auto existing : {AtomicFile::ExistingTarget::Keep, AtomicFile::ExistingTarget::Absent}) {
        ScratchFolder folder("appears");
        const auto target = folder / "out.msg";
        {
            AtomicFile sink(target, existing);
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

TEST(AtomicFile, AbsentWritesANewFile) {
    ScratchFolder folder("absent");
    const auto target = folder / "out.msg";
    AtomicFile sink(target, AtomicFile::ExistingTarget::Absent);
    ASSERT_TRUE(sink.IsOpen()) << sink.Error();
    ASSERT_TRUE(sink.Write(kNew, 3));
    ASSERT_TRUE(sink.Commit()) << sink.Error();
    EXPECT_EQ(ScratchFolder::Read(target), "new");
    EXPECT_EQ(ScratchFolder::Entries(folder.Path()), 1u);
}

TEST(AtomicFile, AReplacedFileThatChangedWhileWritingIsKept) {
    ScratchFolder folder("changed");
    const auto target = folder / "out.msg";
    ScratchFolder::Write(target, "old");
    {
        AtomicFile sink(target);
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

TEST(AtomicFile, AFolderIsNeverReplaced) {
    ScratchFolder folder("folder");
    const auto target = folder / "out.msg";
    std::filesystem::create_directory(target);
    ScratchFolder::Write(target / "inside", "kept");
    AtomicFile sink(target);
    EXPECT_FALSE(sink.IsOpen());
    EXPECT_NE(sink.Error().find("not a regular file"), std::string::npos) << sink.Error();
    EXPECT_EQ(ScratchFolder::Read(target / "inside"), "kept");
}

TEST(AtomicFile, ALongNameStillGetsItsTemporary) {
    ScratchFolder folder("long");
    const auto target = folder / (std::string(246, 'n') + ".msg");
    AtomicFile sink(target);
    ASSERT_TRUE(sink.IsOpen()) << sink.Error();
    ASSERT_TRUE(sink.Write(kNew, 3));
    ASSERT_TRUE(sink.Commit()) << sink.Error();
    EXPECT_EQ(ScratchFolder::Read(target), "new");
}

// The component's save: the target is chosen once the bytes are written,
// and chosen again when a file has taken the name meanwhile; the temporary
// waits for the second name.
TEST(AtomicFile, AMoveToATakenNameLeavesBothForAnotherMove) {
    ScratchFolder folder("move");
    const auto taken = folder / "out.msg";
    ScratchFolder::Write(taken, "theirs");
    {
        AtomicFile file(taken, AtomicFile::ExistingTarget::Absent);
        ASSERT_TRUE(file.IsOpen()) << file.Error();
        ASSERT_TRUE(file.Write(kNew, 3));
        ASSERT_TRUE(file.Finish()) << file.Error();
        EXPECT_FALSE(file.MoveTo(taken, false));
        EXPECT_TRUE(file.TargetAppeared());
        EXPECT_NE(file.SystemError(), 0u);
        EXPECT_EQ(ScratchFolder::Read(taken), "theirs");
        ASSERT_TRUE(file.MoveTo(folder / "out (2).msg", false)) << file.Error();
        EXPECT_FALSE(file.TargetAppeared());
    }
    EXPECT_EQ(ScratchFolder::Read(taken), "theirs");
    EXPECT_EQ(ScratchFolder::Read(folder / "out (2).msg"), "new");
    EXPECT_EQ(ScratchFolder::Entries(folder.Path()), 2u);
}

TEST(AtomicFile, AMoveThatReplacesTakesTheName) {
    ScratchFolder folder("move-replace");
    const auto target = folder / "out.msg";
    ScratchFolder::Write(target, "old");
    {
        AtomicFile file(target, AtomicFile::ExistingTarget::Absent);
        ASSERT_TRUE(file.IsOpen()) << file.Error();
        ASSERT_TRUE(file.Write(kNew, 3));
        EXPECT_FALSE(file.MoveTo(target, true)) << "not finished";
        ASSERT_TRUE(file.Finish()) << file.Error();
        ASSERT_TRUE(file.MoveTo(target, true)) << file.Error();
    }
    EXPECT_EQ(ScratchFolder::Read(target), "new");
    EXPECT_EQ(ScratchFolder::Entries(folder.Path()), 1u);
}

// A store's header is known only at its end: the bytes written again must
// land where they were, the file's end stay where it was, and writing on
// must go on at the end, on an unnamed file, a named one and a replacing one.
TEST(AtomicFile, RewriteGoesBackAndWritingGoesOnAtTheEnd) {
    constexpr std::uint8_t kHead[] = {'H', 'E', 'A', 'D'};
    constexpr std::uint8_t kBody[] = {'-', '-', '-', '-', 'b', 'o', 'd', 'y'};
    for (const auto existing : {AtomicFile::ExistingTarget::Absent, AtomicFile::ExistingTarget::Replace}) {
        ScratchFolder folder("rewrite");
        const auto target = folder / "out.pst";
        if (existing == AtomicFile::ExistingTarget::Replace) ScratchFolder::Write(target, "an older store");
        {
            AtomicFile file(target, existing);
            ASSERT_TRUE(file.IsOpen()) << file.Error();
            ASSERT_TRUE(file.Write(kBody, sizeof kBody));
            ASSERT_TRUE(file.Rewrite(0, kHead, sizeof kHead)) << file.Error();
            ASSERT_TRUE(file.Rewrite(6, kHead, 2)) << file.Error();
            ASSERT_TRUE(file.Write(kNew, sizeof kNew));
            ASSERT_TRUE(file.Rewrite(8, kHead + 2, 2)) << file.Error();
            ASSERT_TRUE(file.Commit()) << file.Error();
        }
        EXPECT_EQ(ScratchFolder::Read(target), "HEADboHEADw");
    }
}

TEST(AtomicFile, RewritePastTheEndFailsAndStaysFailed) {
    ScratchFolder folder("rewrite-past");
    const auto target = folder / "out.pst";
    AtomicFile file(target, AtomicFile::ExistingTarget::Absent);
    ASSERT_TRUE(file.IsOpen()) << file.Error();
    ASSERT_TRUE(file.Write(kNew, sizeof kNew));
    EXPECT_TRUE(file.Rewrite(3, kNew, 0)) << "nothing at the end is not past it";
    EXPECT_FALSE(file.Rewrite(2, kNew, 2));
    EXPECT_NE(file.Error().find("past its end"), std::string::npos) << file.Error();
    EXPECT_FALSE(file.Write(kNew, 1));
    EXPECT_FALSE(file.Commit());
    EXPECT_FALSE(std::filesystem::exists(target));
}

}  // namespace
}  // namespace mailvane::filing
