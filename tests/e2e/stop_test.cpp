// Stop during a long run: the window closes at once, the main window is
// usable while the worker finishes, a second run waits its turn, and every
// file is still converted.
#include <windows.h>

#include <fstream>

#include "driver/compound_file_check.h"
#include "driver/polling.h"
#include "driver/screenshot.h"
#include "driver/window_probe.h"
#include "scenario.h"

namespace mailvane::e2e {
namespace {

constexpr size_t kLongRun = 200;

class StopTest : public ScenarioTest {};

TEST_F(StopTest, StopLeavesTheRunGoingAndASecondRunWaitsItsTurn) {
    E2E_REQUIRE_CORPUS();
    const std::wstring root = FreshWorkFolder(L"stop");
    const std::wstring bulk = Join(root, L"Bulk");
    const std::wstring late = Join(root, L"Late");
    const std::wstring out = Join(root, L"Out");
    for (const auto& folder : {bulk, late, out}) {
        ASSERT_TRUE(MakeFolders(folder));
    }
    const auto sources = CopyAll(CorpusMessages(kLongRun), bulk);
    ASSERT_EQ(FilesIn(bulk, L"*.eml").size(), kLongRun);
    std::ofstream(Join(late, L"late.eml").c_str(), std::ios::binary) << "Subject: added during the run\r\n\r\nbody\r\n";

    ASSERT_TRUE(m_app.AddFolder(bulk));
    ASSERT_TRUE(m_app.WaitForItemCount(L"1  files"));
    EXPECT_EQ(m_app.Rows().at(0), (ListRow{bulk, std::to_wstring(kLongRun), L"Bulk", L"FOLDER"}));
    ASSERT_TRUE(m_app.Browse(out));
    ASSERT_TRUE(PollUntil([&] { return m_app.DestinationText() == out; }));

    ASSERT_TRUE(m_app.Press(ids::kConvert));
    HWND progress = m_app.WaitForProgressWindow();
    ASSERT_NE(progress, nullptr);
    ASSERT_TRUE(PollUntil([&] { return !ItemText(progress, ids::kCounter).empty(); }));
    EXPECT_FALSE(SaveScreenshot(progress, L"progress-window-mid-run").empty());
    ASSERT_TRUE(Click(progress, ids::kStop));
    ASSERT_TRUE(WaitUntilGone(progress));
    ASSERT_TRUE(PollUntil([&] { return m_app.MainEnabled(); }));

    // The main window works while the first run goes on.
    ASSERT_TRUE(m_app.AddFiles(late, {L"late.eml"}));
    ASSERT_TRUE(m_app.WaitForItemCount(L"2  files"));
    EXPECT_EQ(m_app.Rows().at(0), (ListRow{Join(late, L"late.eml"), L"1", L"Late", L"FILES"}));

    // A second run opens its window and waits for the first to finish.
    ASSERT_TRUE(m_app.Press(ids::kConvert));
    HWND second = m_app.WaitForProgressWindow();
    ASSERT_NE(second, nullptr);

    // Two completion messages: the first run's, then the second's.
    for (int run = 0; run < 2; ++run) {
        MessageBoxSeen done;
        ASSERT_TRUE(PollUntil(
            [&] {
                for (HWND window : VisibleTopWindows(m_app.Id())) {
                    if (IsMessageBox(window)) {
                        done.window = window;
                        return true;
                    }
                }
                return false;
            },
            std::chrono::minutes(5)))
            << "run " << run << " sent no completion message";
        done = ExpectCompletionMessage();
        ASSERT_TRUE(Answer(done, IDOK));
    }
    ASSERT_TRUE(PollUntil([&] { return ItemText(second, ids::kStop) == kCompletedButton; }));
    CloseProgressWindow(second);

    const auto converted = FilesIn(Join(out, L"Bulk"), L"*.msg");
    EXPECT_EQ(converted.size(), kLongRun);
    for (const auto& path : converted) {
        EXPECT_EQ(CompoundFileDefect(path), "") << path;
    }
    EXPECT_EQ(FilesIn(Join(out, L"Late")), std::vector<std::wstring>{Join(Join(out, L"Late"), L"late.msg")});
    EXPECT_EQ(sources.size(), kLongRun);
}

}  // namespace
}  // namespace mailvane::e2e
