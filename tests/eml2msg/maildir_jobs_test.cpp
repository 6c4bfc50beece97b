#include "eml2msg/maildir_jobs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "eml2msg/maildir_state.h"
#include "filing/utf8_path.h"
#include "tests/support/scratch_folder.h"

namespace mailvane::cli {
namespace {

using testing::ScratchFolder;

// Folder names that Windows cannot hold (a colon, a device name, a
// trailing dot, a backslash: Dovecot's escapes) are made only where a
// store can have them.
#ifdef _WIN32
constexpr bool kUnsafeNamesOnDisk = false;
#else
constexpr bool kUnsafeNamesOnDisk = true;
#endif

TEST(MaildirState, FlagsAndKeywordsAsTheMessagesState) {
    mbox::DovecotKeywords keywords;
    keywords[0] = "Work";
    keywords[1] = "$Forwarded";
    keywords[2] = "$label4";
    keywords[3] = "$Junk";
    keywords[4] =
        "\xc3\x9c"
        "bersicht";  // Übersicht
    keywords[5] = "work";
    const auto state = [&](const char* name, MaildirSubfolder in = MaildirSubfolder::Cur) {
        return MaildirState(mbox::ParseMaildirInfo(name), keywords, in);
    };

    EXPECT_EQ(state("m:2,S"), MailState{});
    EXPECT_EQ(state("m:2,S", MaildirSubfolder::New).read, false);  // nobody has seen what is in new/
    EXPECT_EQ(state("m").read, false);
    EXPECT_EQ(state("m:2,").read, false);
    MailState all;
    all.draft = all.replied = all.forwarded = all.flagged = all.deleted = true;
    EXPECT_EQ(state("m:2,DFPRST"), all);

    const MailState tagged = state("m:2,Sabcdefz");
    EXPECT_TRUE(tagged.forwarded);  // $Forwarded is IMAP's forwarded flag
    EXPECT_EQ(tagged.categories, (std::vector<std::u16string>{u"Work", u"To Do", u"\u00dcbersicht", u"work"}));
    EXPECT_TRUE(state("m:2,Sz").categories.empty());  // a letter the file does not name
}

class MaildirJobsTest : public ::testing::Test {
protected:
    MaildirJobsTest() {
        for (const char* folder :
             {"m/cur", "m/new", "m/tmp", "m/.Work.Projects.2026/cur", "m/.Work.Projects.2026/new", "m/.Empty/cur",
              "m/.Empty/new", "m/.con/new", "m/.Entw&APw-rfe/cur", "m/.no-maildir", "m/plain/cur"}) {
            std::filesystem::create_directories(m_root / folder);
        }
        for (const char* file :
             {"m/cur/200.M2.h,S=10!2,RSa", "m/cur/100.M1.h,S=10;2,S", "m/new/300.M3.h", "m/cur/150.M9.h;2,ST",
              "m/tmp/400.M4.h", "m/cur/.hidden;2,S", "m/.Work.Projects.2026/cur/1.x;2,FS", "m/.con/new/3.x",
              "m/.Entw&APw-rfe/cur/5.x;2,DS", "m/plain/cur/6.x"}) {
            ScratchFolder::Write(m_root / file, "Subject: x\r\n\r\nx\r\n");
        }
        if (kUnsafeNamesOnDisk) {
            for (const char* folder : {"m/.a:b/cur", "m/.trail./cur", "m/.trail\\2e/cur"})
                std::filesystem::create_directories(m_root / folder);
            ScratchFolder::Write(m_root / "m/.a:b/cur/2.x:2,S", "Subject: x\r\n\r\nx\r\n");
            ScratchFolder::Write(m_root / "m/.trail./cur/7.x:2,S", "Subject: x\r\n\r\nx\r\n");
            ScratchFolder::Write(m_root / "m/.trail\\2e/cur/4.x!2,S", "Subject: x\r\n\r\nx\r\n");
        }
        ScratchFolder::Write(m_root / "m/dovecot-keywords", "0 Work\n");
    }

    struct Walked {
        std::vector<std::string> outputs;  // relative to the output folder; "-" and the input for a deleted one
        std::vector<std::optional<MailState>> states;
    };
    Walked Walk(const std::filesystem::path& out) {
        filing::RunClaims claims;
        MaildirJobs source(m_root / "m", out, claims);
        Walked walked;
        for (Job job; source.Next(job);) {
            EXPECT_EQ(job.problem, "");
            EXPECT_TRUE(job.skipDeleted);
            walked.outputs.push_back(job.output.empty() ? "- " + std::filesystem::path(job.input).filename().string()
                                                        : job.output.lexically_relative(out).generic_string());
            walked.states.push_back(job.storeState);
        }
        EXPECT_EQ(source.HandedOut(), 1.0);
        return walked;
    }
    ScratchFolder m_root{"maildir"};
};

TEST_F(MaildirJobsTest, TheRootToTheFolderItselfSubFoldersAsTreesNamedAfterTheirBases) {
    const std::filesystem::path out = m_root / "out";
    const Walked walked = Walk(out);
    std::vector<std::string> expected = {"100.M1.h,S=10.msg", "- 150.M9.h;2,ST",         "200.M2.h,S=10.msg",
                                         "300.M3.h.msg",      "Entw\xc3\xbcrfe/5.x.msg", "Work/Projects/2026/1.x.msg"};
    // ".trail." is "trail" and an empty level inside it: that level is "_".
    if (kUnsafeNamesOnDisk)
        expected.insert(expected.end(), {"a_b/2.x.msg", "_con/3.x.msg", "trail/_/7.x.msg", "trail/4.x.msg"});
    else
        expected.insert(expected.end(), {"_con/3.x.msg"});
    EXPECT_EQ(walked.outputs, expected);
    ASSERT_GE(walked.states.size(), 7u);
    EXPECT_TRUE(walked.states[1]->deleted);
    EXPECT_TRUE(walked.states[2]->replied);
    EXPECT_EQ(walked.states[2]->categories, std::vector<std::u16string>{u"Work"});
    EXPECT_FALSE(walked.states[3]->read);  // in new/
    EXPECT_TRUE(walked.states[4]->draft);  // no keyword file in that folder: no categories
    EXPECT_TRUE(walked.states[5]->flagged);
    EXPECT_TRUE(walked.states[0]->read);                        // ";2," where ":" cannot be written
    EXPECT_TRUE(std::filesystem::is_directory(out / "Empty"));  // every folder of the tree, an empty one too
    EXPECT_FALSE(std::filesystem::exists(out / "no-maildir"));
    EXPECT_FALSE(std::filesystem::exists(out / "plain"));
}

TEST_F(MaildirJobsTest, NewFlagsKeepTheNames) {
    const std::filesystem::path out = m_root / "out";
    const Walked before = Walk(out);
    // A client reads the message in new/ (moving it to cur/) and answers another.
    std::filesystem::rename(m_root / "m/new/300.M3.h", m_root / "m/cur/300.M3.h;2,S");
    std::filesystem::rename(m_root / "m/cur/100.M1.h,S=10;2,S", m_root / "m/cur/100.M1.h,S=10;2,RS");
    const Walked after = Walk(out);
    EXPECT_EQ(after.outputs, before.outputs);
    EXPECT_TRUE(after.states[3]->read);
    EXPECT_TRUE(after.states[0]->replied);
}

TEST_F(MaildirJobsTest, TwoFilesOfOneBaseAreNumberedTheSameWayEachRun) {
    ScratchFolder::Write(m_root / "m/new/100.M1.h,S=10", "Subject: y\r\n\r\ny\r\n");
    const Walked walked = Walk(m_root / "out");
    ASSERT_GE(walked.outputs.size(), 2u);
    EXPECT_EQ(walked.outputs[0], "100.M1.h,S=10.msg");  // cur/ before new/
    EXPECT_EQ(walked.outputs[1], "100.M1.h,S=10 (2).msg");
    EXPECT_EQ(Walk(m_root / "out").outputs, walked.outputs);
}

TEST_F(MaildirJobsTest, FoldersOfATreeWithoutMessagesOfItsOwn) {
    std::string error;
    std::filesystem::remove_all(m_root / "m/cur");
    std::filesystem::remove_all(m_root / "m/new");
    const auto folders = MaildirJobs::FoldersOf(m_root / "m", error);
    EXPECT_EQ(error, "");
    std::vector<std::string> names;
    for (const auto& folder : folders) names.push_back(filing::Utf8FromPath(folder.path.filename()));
    std::vector<std::string> expected = {".Empty", ".Entw&APw-rfe", ".Work.Projects.2026"};
    if (kUnsafeNamesOnDisk) expected.push_back(".a:b");
    expected.push_back(".con");
    if (kUnsafeNamesOnDisk) expected.insert(expected.end(), {".trail.", ".trail\\2e"});
    EXPECT_EQ(names, expected);
    EXPECT_TRUE(MaildirJobs::FoldersOf(m_root / "m/.no-maildir", error).empty());
}

}  // namespace
}  // namespace mailvane::cli
