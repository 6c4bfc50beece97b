#include "conversion/run_tracker.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace mailvane::conversion {

using win32::SrwLockGuard;

namespace {

TEST(RunTracker, IsIdleOnlyWhenEveryBeginHasItsEnd) {
    RunTracker tracker;
    EXPECT_TRUE(tracker.IsIdle());
    tracker.Begin();
    tracker.Begin();
    tracker.End();
    EXPECT_FALSE(tracker.IsIdle());
    tracker.End();
    EXPECT_TRUE(tracker.IsIdle());
    tracker.WaitUntilIdle();
}

// A worker that sends to a window of the waiting thread must not deadlock
// the wait: the wait handles the sent message.
TEST(RunTracker, TheWaitHandlesMessagesThatWorkersSendToThisThread) {
    RunTracker tracker;
    const HWND list =
        CreateWindowExW(0, L"STATIC", L"row text", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(list, nullptr);
    std::atomic<int> length{-1};
    tracker.Begin();
    std::thread worker([&] {
        Sleep(50);
        length = static_cast<int>(SendMessageW(list, WM_GETTEXTLENGTH, 0, 0));
        tracker.End();
    });
    tracker.WaitUntilIdle();
    worker.join();
    EXPECT_EQ(length, 8);
    EXPECT_TRUE(tracker.IsIdle());
    DestroyWindow(list);
}

TEST(RunTracker, TurnsAreTakenOneAtATime) {
    RunTracker tracker;
    std::atomic<int> inside{0};
    std::atomic<int> most{0};
    std::thread workers[4];
    for (auto& worker : workers) {
        worker = std::thread([&] {
            for (int i = 0; i < 50; ++i) {
                const SrwLockGuard turn = tracker.TakeTurn();
                const int now = ++inside;
                if (now > most) most = now;
                Sleep(0);
                --inside;
            }
        });
    }
    for (auto& worker : workers) worker.join();
    EXPECT_EQ(most, 1);
}

}  // namespace

}  // namespace mailvane::conversion
