// The program and eml2msg -r over the same folders: the program converts a
// tree of sources (sub-folders searched or not by their names, names that
// meet again in one output folder, names in upper case and with ".eml"
// twice) and leaves the list of its rows, in the order it converted them,
// for the native comparison that runs after it (compare_eml2msg_tree.sh).
#include <windows.h>

#include <fstream>

#include "driver/polling.h"
#include "driver/window_probe.h"
#include "scenario.h"

namespace mailvane::e2e {
namespace {

class Eml2msgTreeTest : public ScenarioTest {};

bool CopyAs(const std::wstring& source, const std::wstring& folder, const std::wstring& name) {
    return CopyFileW(source.c_str(), Join(folder, name).c_str(), TRUE) != 0;
}

TEST_F(Eml2msgTreeTest, TheProgramConvertsTheTreeTheComparisonReads) {
    E2E_REQUIRE_CORPUS();
    const std::wstring root = FreshWorkFolder(L"eml2msg-tree");
    const std::wstring inbox = Join(Join(root, L"mail"), L"Inbox");
    const std::wstring old = Join(inbox, L"old.eml");
    const std::wstring plain = Join(inbox, L"plain");
    const std::wstring otherInbox = Join(Join(root, L"other"), L"Inbox");
    const std::wstring sent = Join(Join(root, L"mail"), L"Sent");
    const std::wstring out = Join(root, L"program-out");
    for (const auto& folder : {old, plain, otherInbox, sent, out}) {
        ASSERT_TRUE(MakeFolders(folder));
    }
    const auto corpus = CorpusMessages(10);
    ASSERT_EQ(corpus.size(), 10u);
    CopyAll({corpus.begin(), corpus.begin() + 4}, inbox);
    ASSERT_TRUE(CopyAs(corpus[4], inbox, L"UPPER.EML"));
    ASSERT_TRUE(CopyAs(corpus[5], inbox, L"twice.eml.eml"));
    // The first message's name again, in a searched sub-folder and in a second source of the same name.
    CopyAll({corpus[0], corpus[6]}, old);
    CopyAll({corpus[0], corpus[7]}, otherInbox);
    CopyAll({corpus[8]}, plain);
    CopyAll({corpus[9], corpus[1]}, sent);

    for (const auto& folder : {inbox, otherInbox, sent}) {
        const size_t before = m_app.Rows().size();
        ASSERT_TRUE(m_app.AddFolder(folder)) << folder;
        ASSERT_TRUE(PollUntil([&] { return m_app.Rows().size() == before + 1; })) << folder;
    }
    ASSERT_TRUE(m_app.Browse(out));
    ASSERT_TRUE(PollUntil([&] { return m_app.DestinationText() == out; }));
    ASSERT_TRUE(m_app.Press(ids::kConvert));
    const HWND progress = m_app.WaitForProgressWindow();
    ASSERT_NE(progress, nullptr);
    const MessageBoxSeen done = ExpectCompletionMessage();
    ASSERT_TRUE(Answer(done, IDOK));
    ASSERT_TRUE(PollUntil([&] { return ItemText(progress, ids::kStop) == kCompletedButton; }));
    CloseProgressWindow(progress);

    // The run converts the rows from the top of the list: the folder added last first.
    std::ofstream manifest(Join(root, L"eml2msg-tree.tsv").c_str(), std::ios::binary | std::ios::trunc);
    manifest << "output\t" << UnixPathOf(out) << '\n';
    for (const ListRow& row : m_app.Rows()) {
        manifest << "source\t" << UnixPathOf(row.at(0)) << '\n';
    }
    EXPECT_EQ(FilesIn(Join(out, L"Sent"), L"*.msg").size(), 2u);
    EXPECT_EQ(FilesIn(Join(out, L"Inbox"), L"*.msg").size(), 10u);
}

}  // namespace
}  // namespace mailvane::e2e
