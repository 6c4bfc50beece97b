// Stop pressed at random points of run after run of one program: each time
// the window closes at once, the worker still converts every file, its
// completion message appears, and the program lives on for the next run.
//
// MAILVANE_STOP_STRESS=RUNSxFILES sets the size (the default keeps the suite
// short; 30x200 is the full stress); MAILVANE_STOP_STRESS_SEED repeats the
// stop points of an earlier run, whose seed the test prints.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "driver/compound_file_check.h"
#include "driver/polling.h"
#include "driver/window_probe.h"
#include "scenario.h"

namespace mailvane::e2e {
namespace {

struct StressSize {
    int runs = 5;
    size_t files = 100;
};

StressSize SizeFromEnvironment() {
    StressSize size;
    if (const char* text = std::getenv("MAILVANE_STOP_STRESS")) {
        int runs = 0;
        unsigned files = 0;
        if (std::sscanf(text, "%dx%u", &runs, &files) == 2 && runs > 0 && files > 0) {
            size.runs = runs;
            size.files = files;
        }
    }
    return size;
}

unsigned SeedFromEnvironment() {
    if (const char* text = std::getenv("MAILVANE_STOP_STRESS_SEED")) {
        return static_cast<unsigned>(std::strtoul(text, nullptr, 10));
    }
    return static_cast<unsigned>(GetTickCount());
}

// The files counted so far by the counter "k/n Convert EML to MSG Files".
int CountedFiles(const std::wstring& counter) { return _wtoi(counter.c_str()); }

class StopStressTest : public ScenarioTest {};

TEST_F(StopStressTest, StopAtRandomPointsRunAfterRun) {
    E2E_REQUIRE_CORPUS();
    const StressSize size = SizeFromEnvironment();
    const unsigned seed = SeedFromEnvironment();
    std::printf("stop stress: %d runs of %zu files, seed %u\n", size.runs, size.files, seed);
    std::mt19937 random(seed);

    const std::wstring root = FreshWorkFolder(L"stop-stress");
    const std::wstring bulk = Join(root, L"Bulk");
    const std::wstring out = Join(root, L"Out");
    const std::wstring converted = Join(out, L"Bulk");
    ASSERT_TRUE(MakeFolders(bulk));
    ASSERT_TRUE(MakeFolders(out));
    CopyAll(CorpusMessages(size.files), bulk);
    ASSERT_EQ(FilesIn(bulk, L"*.eml").size(), size.files);

    ASSERT_TRUE(m_app.AddFolder(bulk));
    ASSERT_TRUE(m_app.WaitForItemCount(L"1  files"));
    ASSERT_TRUE(m_app.Browse(out));
    ASSERT_TRUE(PollUntil([&] { return m_app.DestinationText() == out; }));

    std::uniform_int_distribution<int> stopPoint(0, static_cast<int>(size.files));
    long long slowestCloseMs = 0;
    size_t filesChecked = 0;
    std::string stopPoints;
    for (int run = 0; run < size.runs; ++run) {
        SCOPED_TRACE("run " + std::to_string(run));
        for (const auto& path : FilesIn(converted, L"*")) {
            ASSERT_TRUE(DeleteFileW(path.c_str())) << "run " << run;
        }
        const int stopAt = stopPoint(random);
        stopPoints += (stopPoints.empty() ? "" : " ") + std::to_string(stopAt);

        ASSERT_TRUE(m_app.Press(ids::kConvert));
        HWND progress = m_app.WaitForProgressWindow();
        ASSERT_NE(progress, nullptr);
        // Stop once the counter has reached the chosen point, or when the
        // run's message appeared first.
        ASSERT_TRUE(PollUntil(
            [&] {
                return stopAt == 0 || CountedFiles(ItemText(progress, ids::kCounter)) >= stopAt ||
                       !NoMessageBoxShown(m_app.Id());
            },
            std::chrono::minutes(5)));
        const auto pressed = std::chrono::steady_clock::now();
        ASSERT_TRUE(Click(progress, ids::kStop));
        ASSERT_TRUE(WaitUntilGone(progress)) << "the window stayed after Stop at " << stopAt;
        slowestCloseMs = std::max<long long>(
            slowestCloseMs,
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - pressed).count());
        ASSERT_TRUE(PollUntil([&] { return m_app.MainEnabled(); }));

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
            << "no completion message after Stop at " << stopAt;
        done = ExpectCompletionMessage();
        ASSERT_TRUE(Answer(done, IDOK));
        ASSERT_TRUE(m_app.Process().IsRunning());

        const auto written = FilesIn(converted, L"*");
        ASSERT_EQ(written.size(), size.files) << "Stop at " << stopAt;
        for (const auto& path : written) {
            ASSERT_EQ(CompoundFileDefect(path), "") << path;
        }
        filesChecked += written.size();
    }
    // The program still converts with its window open to the end.
    ASSERT_TRUE(m_app.Press(ids::kConvert));
    HWND last = m_app.WaitForProgressWindow();
    ASSERT_NE(last, nullptr);
    ASSERT_TRUE(Answer(ExpectCompletionMessage(), IDOK));
    ASSERT_TRUE(PollUntil([&] { return ItemText(last, ids::kStop) == kCompletedButton; }));
    CloseProgressWindow(last);
    std::printf("stop stress: %d runs stopped (at files %s), %zu files checked, slowest close after Stop %lld ms\n",
                size.runs, stopPoints.c_str(), filesChecked, slowestCloseMs);
}

}  // namespace
}  // namespace mailvane::e2e
