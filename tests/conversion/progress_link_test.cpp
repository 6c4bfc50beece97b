#include "conversion/progress_link.h"

#include <gtest/gtest.h>

#include <thread>

namespace mailvane::conversion {

using framework::CString;

namespace {

// A message-only window of this thread, to count the link's notifications.
class MessageWindow {
public:
    MessageWindow()
        : m_window(CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr)) {}
    ~MessageWindow() { DestroyWindow(m_window); }
    HWND Get() const { return m_window; }
    int TakeNotifications() const {
        int count = 0;
        MSG message;
        while (PeekMessageW(&message, m_window, WM_PROGRESS_UPDATE, WM_PROGRESS_UPDATE, PM_REMOVE)) ++count;
        return count;
    }

private:
    HWND m_window;
};

TEST(ProgressLink, QueuesUpdatesInOrderBehindOneNotification) {
    MessageWindow window;
    ProgressLink link(window.Get());
    link.SetCountText(L"1/3 Convert EML to MSG Files");
    link.SetStatusText(L"C:\\Mail\\a.eml");
    link.SetRange(0, 4);
    link.SetPosition(2);
    link.SetButtonText(L"Completed && Close");
    EXPECT_EQ(window.TakeNotifications(), 1);

    const auto updates = link.TakePending();
    ASSERT_EQ(updates.size(), 5u);
    EXPECT_EQ(updates[0].kind, ProgressUpdate::Kind::CountText);
    EXPECT_EQ(updates[0].text, CString(L"1/3 Convert EML to MSG Files"));
    EXPECT_EQ(updates[1].kind, ProgressUpdate::Kind::StatusText);
    EXPECT_EQ(updates[2].kind, ProgressUpdate::Kind::Range);
    EXPECT_EQ(updates[2].lower, 0);
    EXPECT_EQ(updates[2].upper, 4);
    EXPECT_EQ(updates[3].kind, ProgressUpdate::Kind::Position);
    EXPECT_EQ(updates[3].position, 2);
    EXPECT_EQ(updates[4].text, CString(L"Completed && Close"));

    // Once taken, the next update notifies again.
    link.SetPosition(3);
    EXPECT_EQ(window.TakeNotifications(), 1);
    EXPECT_EQ(link.TakePending().size(), 1u);
}

TEST(ProgressLink, AClosedLinkDropsEverythingAndNeverPosts) {
    MessageWindow window;
    ProgressLink link(window.Get());
    link.SetPosition(1);
    link.Close();
    EXPECT_FALSE(link.IsOpen());
    EXPECT_TRUE(link.TakePending().empty());
    window.TakeNotifications();
    link.SetCountText(L"2/3 Convert EML to MSG Files");
    link.SetButtonText(L"Completed && Close");
    EXPECT_EQ(window.TakeNotifications(), 0);
    EXPECT_TRUE(link.TakePending().empty());
}

TEST(ProgressLink, AFlushNotifiesEvenWhileANotificationIsOut) {
    MessageWindow window;
    ProgressLink link(window.Get());
    link.SetCountText(L"3/3 Convert EML to MSG Files");
    EXPECT_FALSE(link.IsFlushAsked());
    link.Flush();
    EXPECT_TRUE(link.IsFlushAsked());
    EXPECT_EQ(window.TakeNotifications(), 2);

    // Taking the queue answers the flush; until then no update posts again.
    link.SetPosition(2);
    EXPECT_EQ(window.TakeNotifications(), 0);
    EXPECT_EQ(link.TakePending().size(), 2u);
    EXPECT_FALSE(link.IsFlushAsked());

    link.Close();
    link.Flush();
    EXPECT_FALSE(link.IsFlushAsked());
    EXPECT_EQ(window.TakeNotifications(), 0);
}

TEST(ProgressLink, UpdatesFromAnotherThreadArriveComplete) {
    MessageWindow window;
    ProgressLink link(window.Get());
    std::thread worker([&link] {
        for (int i = 0; i < 1000; ++i) link.SetPosition(i);
    });
    worker.join();
    const auto updates = link.TakePending();
    ASSERT_EQ(updates.size(), 1000u);
    for (int i = 0; i < 1000; ++i) EXPECT_EQ(updates[static_cast<size_t>(i)].position, i);
}

}  // namespace

}  // namespace mailvane::conversion
