// The shipped 32-bit program on a short road, under emulation: three files
// and a folder added through the real dialogs, a destination chosen in the
// real picker, one run to its completion message, every output checked,
// and the program left through Exit. Each step under emulation costs
// seconds, so this one scenario stands for the 64-bit suite's many.
#include <windows.h>

#include <algorithm>
#include <utility>

#include "tests/e2e/driver/compound_file_check.h"
#include "tests/e2e/driver/polling.h"
#include "tests/e2e/driver/screenshot.h"
#include "tests/e2e/driver/window_probe.h"
#include "tests/e2e/scenario.h"

namespace mailvane::e2e {
namespace {

constexpr wchar_t kExitQuestion[] = L"Do you want to Exit ?       ";

std::wstring MsgNameOf(const std::wstring& source) {
    const std::wstring name = LastComponent(source);
    return name.substr(0, name.size() - 4) + L".msg";
}

std::vector<ListRow> Sorted(std::vector<ListRow> rows) {
    std::sort(rows.begin(), rows.end());
    return rows;
}

class ShortRoadTest : public ScenarioTest {};

TEST_F(ShortRoadTest, ThreeFilesAndAFolderConvertThenExit) {
    ASSERT_FALSE(CorpusFolder().empty()) << "set MAILVANE_CORPUS to the shared corpus folder";
    EXPECT_FALSE(SaveScreenshot(m_app.Main(), L"main-window").empty());

    const std::wstring root = FreshWorkFolder(L"short-road");
    const std::wstring picked = Join(root, L"Picked");
    const std::wstring inbox = Join(root, L"Inbox");
    const std::wstring out = Join(root, L"Out");
    for (const auto& folder : {picked, inbox, out}) {
        ASSERT_TRUE(MakeFolders(folder));
    }
    const auto corpus = CorpusMessages(5);
    ASSERT_EQ(corpus.size(), 5u);
    const auto pickedFiles = CopyAll({corpus.begin(), corpus.begin() + 3}, picked);
    const auto inboxFiles = CopyAll({corpus.begin() + 3, corpus.end()}, inbox);

    std::vector<std::wstring> names;
    for (const auto& file : pickedFiles) {
        names.push_back(LastComponent(file));
    }
    ASSERT_TRUE(m_app.AddFiles(picked, names));
    ASSERT_TRUE(m_app.WaitForItemCount(L"3  files"));
    ASSERT_TRUE(m_app.AddFolder(inbox));
    ASSERT_TRUE(m_app.WaitForItemCount(L"4  files"));
    std::vector<ListRow> expectedRows = {{inbox, L"2", L"Inbox", L"FOLDER"}};
    for (const auto& file : pickedFiles) {
        expectedRows.push_back({file, L"1", L"Picked", L"FILES"});
    }
    EXPECT_EQ(Sorted(m_app.Rows()), Sorted(expectedRows));

    ASSERT_TRUE(m_app.Browse(out));
    ASSERT_TRUE(PollUntil([&] { return m_app.DestinationText() == out; }));
    EXPECT_FALSE(SaveScreenshot(m_app.Main(), L"main-window-filled").empty());

    ASSERT_TRUE(m_app.Press(ids::kConvert));
    HWND progress = m_app.WaitForProgressWindow();
    ASSERT_NE(progress, nullptr);
    const MessageBoxSeen done = ExpectCompletionMessage();
    ASSERT_TRUE(done);
    EXPECT_FALSE(SaveScreenshot(done.window, L"message-completed").empty());
    ASSERT_TRUE(Answer(done, IDOK));
    ASSERT_TRUE(PollUntil([&] { return ItemText(progress, ids::kStop) == kCompletedButton; }));
    EXPECT_FALSE(SaveScreenshot(progress, L"progress-window-completed").empty());
    CloseProgressWindow(progress);
    ASSERT_TRUE(PollUntil([&] { return m_app.MainEnabled(); }));

    // One folder per row's source folder, one whole compound file per source;
    // the independent reader reads them back from the manifest afterwards.
    const std::vector<std::pair<std::wstring, std::vector<std::wstring>>> outputs = {
        {Join(out, L"Picked"), pickedFiles}, {Join(out, L"Inbox"), inboxFiles}};
    std::vector<std::pair<std::wstring, std::wstring>> manifest;
    for (const auto& [folder, sources] : outputs) {
        std::vector<std::wstring> expected;
        for (const auto& source : sources) {
            expected.push_back(Join(folder, MsgNameOf(source)));
            manifest.emplace_back(expected.back(), source);
            EXPECT_EQ(CompoundFileDefect(expected.back()), "") << expected.back();
        }
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(FilesIn(folder), expected) << folder;
    }
    WriteManifest(root, manifest);

    ASSERT_TRUE(m_app.Press(ids::kExit));
    const MessageBoxSeen question = WaitForMessageBox(m_app.Id());
    ASSERT_TRUE(question);
    EXPECT_EQ(question.text, kExitQuestion);
    EXPECT_FALSE(SaveScreenshot(question.window, L"message-exit").empty());
    ASSERT_TRUE(Click(question.window, IDYES));
    const auto code = m_app.Process().WaitForExit();
    ASSERT_TRUE(code.has_value()) << "the program did not end";
    EXPECT_EQ(*code, 0u);
}

}  // namespace
}  // namespace mailvane::e2e
