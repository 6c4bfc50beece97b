#include "eml2msg/mailbox_jobs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/memory_input.h"
#include "tests/support/scratch_folder.h"

namespace mailvane::cli {
namespace {

TEST(MailboxMessageFileName, NumberedWithinTheNameLimit) {
    EXPECT_EQ(MailboxMessageFileName(1, "Hello"), "1-Hello.msg");
    EXPECT_EQ(MailboxMessageFileName(12, ""), "12.msg");
    EXPECT_EQ(MailboxMessageFileName(3, "../.."), "3-_.msg");
    EXPECT_EQ(MailboxMessageFileName(7, "NUL"), "7-_NUL.msg");
    const std::string longest = MailboxMessageFileName(123456, std::string(1000, 'z'));
    EXPECT_EQ(longest.size(), 255u);
    EXPECT_TRUE(longest.starts_with("123456-zzz"));
    EXPECT_TRUE(longest.ends_with("z.msg"));
}

std::string GmailMessage(const std::string& labels, const std::string& subject) {
    return "From 1@xxx Mon Jan  1 10:00:00 +0000 2001\nX-Gmail-Labels: " + labels + "\nSubject: " + subject +
           "\n\nbody\nFrom the body, not a separator\n\n";
}

struct Filed {
    std::vector<std::string> outputs;  // relative to the output folder, "!" and the problem for a failure
    std::vector<bool> skipDeleted;
};

Filed FileAll(const std::string& mailbox, const std::filesystem::path& out, LabelFolders byLabel) {
    testing::MemoryInput input(mailbox, 7);
    mbox::MboxReader reader(input, mbox::MboxFormat::Auto, 1 << 20);
    MailboxJobs source(reader, "takeout.mbox", out, mailbox.size(), byLabel);
    Filed filed;
    for (Job job; source.Next(job);) {
        filed.outputs.push_back(job.problem.empty() ? job.output.lexically_relative(out).generic_string()
                                                    : "! " + job.problem);
        filed.skipDeleted.push_back(job.skipDeleted);
        EXPECT_TRUE(job.problem.empty() || job.message.empty());
        if (job.problem.empty()) {
            const std::string text(job.message.begin(), job.message.end());
            EXPECT_NE(text.find("From the body"), std::string::npos) << "each copy holds the whole message";
        }
    }
    EXPECT_EQ(source.Error(), "");
    return filed;
}

TEST(MailboxJobs, ByLabelFilesEachMessageUnderEveryFolderLabel) {
    testing::ScratchFolder root("labels");
    const std::string mailbox = GmailMessage("Inbox,Opened,Work/Projects", "a") + GmailMessage("Sent", "b") +
                                GmailMessage("Drafts,Starred", "c") + GmailMessage("Spam", "d") +
                                GmailMessage("Trash,Unread", "e") + GmailMessage("Opened,Category Personal", "f") +
                                GmailMessage("\"Clients, old\",Inbox", "g") + GmailMessage("a:b,con,trail.", "h");
    const std::filesystem::path out = root.Path() / "out";
    std::filesystem::create_directories(out);
    const Filed every = FileAll(mailbox, out, LabelFolders::Every);
    EXPECT_EQ(every.outputs,
              (std::vector<std::string>{"Inbox/1-a.msg", "Work/Projects/1-a.msg", "Sent/2-b.msg", "Drafts/3-c.msg",
                                        "Spam/4-d.msg", "Trash/5-e.msg", "Archive/6-f.msg", "Clients, old/7-g.msg",
                                        "Inbox/7-g.msg", "a_b/8-h.msg", "_con/8-h.msg", "trail/8-h.msg"}));
    // Trash is a folder here: nothing is skipped as deleted.
    for (const bool skip : every.skipDeleted) EXPECT_FALSE(skip);
    for (const char* folder : {"Inbox", "Work/Projects", "Sent", "Drafts", "Spam", "Trash", "Archive", "a_b", "_con"})
        EXPECT_TRUE(std::filesystem::is_directory(out / folder)) << folder;

    const Filed first = FileAll(mailbox, root.Path() / "first", LabelFolders::First);
    EXPECT_EQ(first.outputs,
              (std::vector<std::string>{"Inbox/1-a.msg", "Sent/2-b.msg", "Drafts/3-c.msg", "Spam/4-d.msg",
                                        "Trash/5-e.msg", "Archive/6-f.msg", "Clients, old/7-g.msg", "a_b/8-h.msg"}));
}

TEST(MailboxJobs, WithoutLabelsEveryMessageIsAStoresAndGoesToTheFolderItself) {
    testing::ScratchFolder root("flat");
    const Filed flat =
        FileAll(GmailMessage("Inbox", "a") + GmailMessage("Trash", "b"), root.Path(), LabelFolders::None);
    EXPECT_EQ(flat.outputs, (std::vector<std::string>{"1-a.msg", "2-b.msg"}));
    EXPECT_EQ(flat.skipDeleted, (std::vector<bool>{true, true}));
}

TEST(MailboxJobs, ALabelFolderThatCannotBeMadeFailsItsCopyOnly) {
    testing::ScratchFolder root("blocked");
    testing::ScratchFolder::Write(root.Path() / "Sent", "a file where the folder would be");
    const Filed filed = FileAll(GmailMessage("Sent,Inbox", "a"), root.Path(), LabelFolders::Every);
    ASSERT_EQ(filed.outputs.size(), 2u);
    EXPECT_TRUE(filed.outputs[0].starts_with("! ")) << filed.outputs[0];
    EXPECT_EQ(filed.outputs[1], "Inbox/1-a.msg");
}

}  // namespace
}  // namespace mailvane::cli
