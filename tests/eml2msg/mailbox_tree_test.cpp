#include "eml2msg/mailbox_tree.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "filing/utf8_path.h"
#include "tests/support/scratch_folder.h"

namespace mailvane::cli {
namespace {

using testing::ScratchFolder;

#ifdef _WIN32
constexpr bool kUnsafeNamesOnDisk = false;  // Windows holds no "a:b" nor "con"
#else
constexpr bool kUnsafeNamesOnDisk = true;
#endif
const char* ColonName() { return kUnsafeNamesOnDisk ? "a:b" : "a_b"; }
const char* DeviceName() { return kUnsafeNamesOnDisk ? "con" : "_con"; }

std::string Mailbox(std::initializer_list<const char*> subjects) {
    std::string text;
    for (const char* subject : subjects)
        text += std::string("From - Mon Jan  1 10:00:00 2001\nSubject: ") + subject + "\n\nbody\n\n";
    return text;
}

class MailboxTreeTest : public ::testing::Test {
protected:
    MailboxTreeTest() {
        for (const char* folder : {"Local Folders/Inbox.sbd/Work.sbd", "Local Folders/Lonely.sbd",
                                   "Local Folders/.hidden", "Local Folders/account"}) {
            std::filesystem::create_directories(m_root / folder);
        }
        ScratchFolder::Write(m_root / "Local Folders/Inbox", Mailbox({"one", "two"}));
        ScratchFolder::Write(m_root / "Local Folders/Inbox.msf", "// <!-- <mdb:mork:z v=\"1.4\"/> -->");
        ScratchFolder::Write(m_root / "Local Folders/Inbox.sbd/Work", Mailbox({"work"}));
        ScratchFolder::Write(m_root / "Local Folders/Inbox.sbd/Work.sbd/Deep", Mailbox({"deep"}));
        ScratchFolder::Write(m_root / "Local Folders/Lonely.sbd/Child", Mailbox({"child"}));
        ScratchFolder::Write(m_root / "Local Folders/Trash", "");
        ScratchFolder::Write(m_root / "Local Folders" / ColonName(), Mailbox({"colon"}));
        ScratchFolder::Write(m_root / "Local Folders" / DeviceName(), Mailbox({"device"}));
        ScratchFolder::Write(m_root / "Local Folders/folderTree.json", "{}");
        ScratchFolder::Write(m_root / "Local Folders/panacea.dat", "From the look of it a mailbox");
        ScratchFolder::Write(m_root / "Local Folders/notes.txt", "hello\n");
        ScratchFolder::Write(m_root / "Local Folders/short", "From");
        ScratchFolder::Write(m_root / "Local Folders/.hidden/Secret", Mailbox({"secret"}));
        ScratchFolder::Write(m_root / "Local Folders/account/Sent", Mailbox({"sent"}));
    }
    ScratchFolder m_root{"thunderbird"};
};

TEST_F(MailboxTreeTest, MailboxesAndTheirSubFoldersAsOneTree) {
    const std::filesystem::path out = m_root / "out";
    std::vector<TreeNote> notes;
    std::string error;
    const std::vector<TreeMailbox> found = FindMailboxes(m_root / "Local Folders", out, notes, error);
    EXPECT_EQ(error, "");
    std::vector<std::string> listed;
    for (const TreeMailbox& mailbox : found) {
        listed.push_back((mailbox.path.empty() ? "folder " : "mailbox ") +
                         mailbox.outputFolder.lexically_relative(out).generic_string());
    }
    std::vector<std::string> expected = {
        "mailbox Inbox",           "folder Inbox",  "mailbox Inbox/Work",   "folder Inbox/Work",
        "mailbox Inbox/Work/Deep", "folder Lonely", "mailbox Lonely/Child", "folder Trash"};
    // "_con" sorts before the lower-case names, "con" after them.
    if (!kUnsafeNamesOnDisk) expected.push_back("mailbox _con");
    expected.insert(expected.end(), {"mailbox a_b", "folder account", "mailbox account/Sent"});
    if (kUnsafeNamesOnDisk) expected.push_back("mailbox _con");
    EXPECT_EQ(listed, expected);
    std::vector<std::string> left;
    for (const TreeNote& note : notes)
        left.push_back(filing::Utf8FromPath(std::filesystem::path(note.shown).filename()));
    EXPECT_EQ(left, (std::vector<std::string>{"Inbox.msf", "folderTree.json", "notes.txt", "panacea.dat", "short"}));
}

TEST_F(MailboxTreeTest, JobsOfEveryMailboxInTurnWithTheirFoldersMade) {
    const std::filesystem::path out = m_root / "out";
    std::vector<TreeNote> notes;
    std::string error;
    std::vector<TreeMailbox> found = FindMailboxes(m_root / "Local Folders", out, notes, error);
    // Read when reached, not when found.
    ScratchFolder::Write(m_root / "Local Folders" / ColonName(), "");
    std::filesystem::remove(m_root / "Local Folders" / DeviceName());
    MailboxTreeJobs source(std::move(found), mbox::MboxFormat::Auto);
    std::vector<std::string> outputs;
    for (Job job; source.Next(job);) {
        outputs.push_back(job.problem.empty() ? job.output.lexically_relative(out).generic_string()
                                              : "! " + std::filesystem::path(job.input).filename().string());
        EXPECT_TRUE(!job.problem.empty() || job.skipDeleted);
    }
    std::vector<std::string> expected = {"Inbox/1-one.msg", "Inbox/2-two.msg", "Inbox/Work/1-work.msg",
                                         "Inbox/Work/Deep/1-deep.msg", "Lonely/Child/1-child.msg"};
    if (!kUnsafeNamesOnDisk) expected.push_back("! _con");
    expected.push_back("account/Sent/1-sent.msg");
    if (kUnsafeNamesOnDisk) expected.push_back("! con");
    EXPECT_EQ(outputs, expected);
    EXPECT_EQ(source.HandedOut(), 1.0);
    for (const char* folder : {"Inbox/Work/Deep", "Lonely", "Trash", "a_b", "account/Sent"})
        EXPECT_TRUE(std::filesystem::is_directory(out / folder)) << folder;
}

}  // namespace
}  // namespace mailvane::cli
