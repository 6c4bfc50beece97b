// The whole road of a conversion: folder and files in, destination chosen in
// the real picker, the run watched in its progress window, the output tree
// checked, and the same job run again.
#include <windows.h>

#include <algorithm>
#include <map>
#include <set>

#include "driver/compound_file_check.h"
#include "driver/polling.h"
#include "driver/progress_bar_probe.h"
#include "driver/screenshot.h"
#include "driver/window_probe.h"
#include "scenario.h"
#include "win32/unique_handle.h"

namespace mailvane::e2e {
namespace {

std::wstring CounterText(int current, int total) {
    return std::to_wstring(current) + L"/" + std::to_wstring(total) + L" Convert EML to MSG Files";
}

std::wstring MsgNameOf(const std::wstring& source) {
    std::wstring name = LastComponent(source);
    return name.substr(0, name.size() - 4) + L".msg";
}

class WholeRoadTest : public ScenarioTest {};

TEST_F(WholeRoadTest, ConvertsFoldersAndFilesIntoOneFolderPerRow) {
    E2E_REQUIRE_CORPUS();
    const std::wstring root = FreshWorkFolder(L"whole-road");
    const std::wstring inbox = Join(root, L"Inbox");
    const std::wstring archive = Join(inbox, L"archive.eml");
    const std::wstring plain = Join(inbox, L"plain");
    const std::wstring sent = Join(root, L"Sent");
    const std::wstring out = Join(root, L"Out");
    for (const auto& folder : {archive, plain, sent, out}) {
        ASSERT_TRUE(MakeFolders(folder));
    }
    const auto corpus = CorpusMessages(9);
    ASSERT_EQ(corpus.size(), 9u);
    const auto inboxFiles = CopyAll({corpus.begin(), corpus.begin() + 4}, inbox);
    const auto archiveFiles = CopyAll({corpus.begin() + 4, corpus.begin() + 6}, archive);
    const auto sentFiles = CopyAll({corpus.begin() + 6, corpus.begin() + 8}, sent);
    CopyAll({corpus[8]}, plain);

    ASSERT_TRUE(m_app.AddFolder(inbox));
    ASSERT_TRUE(m_app.WaitForItemCount(L"1  files"));
    ASSERT_TRUE(m_app.AddFiles(sent, {LastComponent(sentFiles[0]), LastComponent(sentFiles[1])}));
    ASSERT_TRUE(m_app.WaitForItemCount(L"3  files"));
    const auto rows = m_app.Rows();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[2], (ListRow{inbox, L"6", L"Inbox", L"FOLDER"}));

    ASSERT_TRUE(m_app.Browse(out));
    ASSERT_TRUE(PollUntil([&] { return m_app.DestinationText() == out; }));
    EXPECT_FALSE(SaveScreenshot(m_app.Main(), L"main-window-filled").empty());

    ASSERT_TRUE(m_app.Press(ids::kConvert));
    HWND progress = m_app.WaitForProgressWindow();
    ASSERT_NE(progress, nullptr);
    EXPECT_EQ(TextOf(progress), L"");
    EXPECT_FALSE(m_app.MainEnabled()) << "the progress window is modal";
    SaveScreenshot(progress, L"progress-window");

    // Two file rows count rows (1/3, 2/3); the folder's files count files.
    std::set<std::wstring> allowed;
    for (int i = 1; i <= 2; ++i) {
        allowed.insert(CounterText(i, 3));
    }
    for (int i = 1; i <= 6; ++i) {
        allowed.insert(CounterText(i, 6));
    }
    std::set<std::wstring> seen;
    MessageBoxSeen done;
    ASSERT_TRUE(PollUntil(
        [&] {
            const std::wstring counter = ItemText(progress, ids::kCounter);
            if (!counter.empty()) {
                seen.insert(counter);
            }
            done = MessageBoxSeen{};
            for (HWND window : VisibleTopWindows(m_app.Id())) {
                if (IsMessageBox(window)) {
                    done.window = window;
                }
            }
            return done.window != nullptr;
        },
        std::chrono::minutes(3)));
    for (const auto& counter : seen) {
        EXPECT_EQ(allowed.count(counter), 1u) << counter;
    }
    done = ExpectCompletionMessage();
    EXPECT_FALSE(SaveScreenshot(done.window, L"message-completed").empty());
    EXPECT_EQ(ItemText(progress, ids::kCounter), CounterText(6, 6));
    EXPECT_EQ(ReadProgress(GetDlgItem(progress, ids::kProgressBar)), (ProgressState{0, 7, 5}));
    const std::wstring status = ItemText(progress, ids::kStatus);
    EXPECT_TRUE(std::find(inboxFiles.begin(), inboxFiles.end(), status) != inboxFiles.end() ||
                std::find(archiveFiles.begin(), archiveFiles.end(), status) != archiveFiles.end())
        << "status shows " << status;
    ASSERT_TRUE(Answer(done, IDOK));
    ASSERT_TRUE(PollUntil([&] { return ItemText(progress, ids::kStop) == kCompletedButton; }));
    EXPECT_FALSE(SaveScreenshot(progress, L"progress-window-completed").empty());
    CloseProgressWindow(progress);
    ASSERT_TRUE(PollUntil([&] { return m_app.MainEnabled(); }));

    EXPECT_EQ(m_app.Rows(), rows);
    EXPECT_EQ(m_app.ItemCountText(), L"3  files");
    EXPECT_EQ(m_app.DestinationText(), out);

    // One folder per row, one whole compound file per source.
    std::map<std::wstring, std::vector<std::wstring>> expected = {
        {Join(out, L"Sent"), sentFiles},
        {Join(out, L"Inbox"), inboxFiles},
    };
    expected[Join(out, L"Inbox")].insert(expected[Join(out, L"Inbox")].end(), archiveFiles.begin(), archiveFiles.end());
    std::vector<std::pair<std::wstring, std::wstring>> manifest;
    for (const auto& [folder, sources] : expected) {
        std::vector<std::wstring> names;
        for (const auto& source : sources) {
            names.push_back(Join(folder, MsgNameOf(source)));
            manifest.emplace_back(names.back(), source);
        }
        std::sort(names.begin(), names.end());
        EXPECT_EQ(FilesIn(folder), names) << folder;
        for (const auto& name : names) {
            EXPECT_EQ(CompoundFileDefect(name), "") << name;
        }
    }
    std::vector<std::wstring> topLevel;
    WIN32_FIND_DATAW entry;
    const win32::UniqueFindHandle find(FindFirstFileW(Join(out, L"*").c_str(), &entry));
    ASSERT_TRUE(find);
    do {
        if (entry.cFileName[0] != L'.') {
            topLevel.push_back(entry.cFileName);
        }
    } while (FindNextFileW(find.Get(), &entry));
    std::sort(topLevel.begin(), topLevel.end());
    EXPECT_EQ(topLevel, (std::vector<std::wstring>{L"Inbox", L"Sent"}));
    WriteManifest(root, manifest);

    // The same job runs again at once.
    ASSERT_TRUE(m_app.Press(ids::kConvert));
    progress = m_app.WaitForProgressWindow();
    ASSERT_NE(progress, nullptr);
    done = ExpectCompletionMessage();
    ASSERT_TRUE(Answer(done, IDOK));
    ASSERT_TRUE(PollUntil([&] { return ItemText(progress, ids::kStop) == kCompletedButton; }));
    CloseProgressWindow(progress);
    EXPECT_EQ(FilesIn(Join(out, L"Inbox")).size(), 6u);
    EXPECT_EQ(m_app.Rows(), rows);
}

}  // namespace
}  // namespace mailvane::e2e
