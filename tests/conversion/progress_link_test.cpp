#include "conversion/progress_link.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

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

TEST(ProgressLink, KeepsOnlyWhatTheWindowStillHasToShow) {
    MessageWindow window;
    ProgressLink link(window.Get());
    // Two file rows, then a folder row of three files, all queued before the
    // window takes any of them.
    link.SetCountText(L"1/3 Convert EML to MSG Files");
    link.SetStatusText(L"C:\\Mail\\a.eml");
    link.SetPosition(0);
    link.SetCountText(L"2/3 Convert EML to MSG Files");
    link.SetStatusText(L"C:\\Mail\\b.eml");
    link.SetPosition(1);
    link.SetRange(0, 4);
    link.SetStatusText(L"C:\\Mail\\Inbox\\c.eml");
    link.SetCountText(L"1/3 Convert EML to MSG Files");
    link.SetPosition(0);
    link.SetPosition(1);

    // The position set before the range stays: the range clamps whatever
    // position it finds, so the one after it cannot stand in for it.
    const auto updates = link.TakePending();
    ASSERT_EQ(updates.size(), 5u);
    EXPECT_EQ(updates[0].kind, ProgressUpdate::Kind::Position);
    EXPECT_EQ(updates[0].position, 1);
    EXPECT_EQ(updates[1].kind, ProgressUpdate::Kind::Range);
    EXPECT_EQ(updates[1].upper, 4);
    EXPECT_EQ(updates[2].kind, ProgressUpdate::Kind::StatusText);
    EXPECT_EQ(updates[2].text, CString(L"C:\\Mail\\Inbox\\c.eml"));
    EXPECT_EQ(updates[3].kind, ProgressUpdate::Kind::CountText);
    EXPECT_EQ(updates[3].text, CString(L"1/3 Convert EML to MSG Files"));
    EXPECT_EQ(updates[4].kind, ProgressUpdate::Kind::Position);
    EXPECT_EQ(updates[4].position, 1);
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

TEST(ProgressLink, UpdatesFromAnotherThreadEndInTheLastOnes) {
    MessageWindow window;
    ProgressLink link(window.Get());
    std::thread worker([&link] {
        for (int i = 0; i < 1000; ++i) {
            link.SetStatusText(CString(std::to_wstring(i).c_str()));
            link.SetPosition(i);
        }
    });
    worker.join();
    const auto updates = link.TakePending();
    ASSERT_EQ(updates.size(), 2u);
    EXPECT_EQ(updates[0].text, CString(L"999"));
    EXPECT_EQ(updates[1].position, 999);
}

}  // namespace
