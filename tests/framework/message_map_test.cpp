#include "framework/message_map.h"

#include <gtest/gtest.h>

#include <vector>

namespace mailvane::framework {

namespace {

// A handler target with one handler of every shape the maps support.
struct Target {
    std::vector<int> calls;
    UINT sysId = 0;
    LPARAM sysParam = 0;
    void OnFirst() { calls.push_back(1); }
    void OnSecond() { calls.push_back(2); }
    void OnLabel() { calls.push_back(3); }
    void OnPaint() { calls.push_back(4); }
    void OnSys(UINT id, LPARAM lParam) {
        sysId = id;
        sysParam = lParam;
    }
    HCURSOR OnDragIcon() { return reinterpret_cast<HCURSOR>(static_cast<INT_PTR>(0x1234)); }

    bool Dispatch(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
        using namespace message_map;
        static const MessageMapEntry<Target> map[] = {
            Command<Target>(BN_CLICKED, 1001, &Target::OnFirst),
            Command<Target>(BN_CLICKED, 1002, &Target::OnSecond),
            Command<Target>(STN_DBLCLK, 1014, &Target::OnLabel),
            Plain<Target>(WM_PAINT, &Target::OnPaint),
            SysCommand<Target>(&Target::OnSys),
            QueryDragIcon<Target>(&Target::OnDragIcon),
            Command<Target>(BN_CLICKED, 1001, &Target::OnSecond),
        };
        return DispatchMessageMap(*this, map, message, wParam, lParam, result);
    }
};

TEST(MessageMap, CommandsMatchOnControlIdAndNotificationCode) {
    Target t;
    LRESULT result = -1;
    EXPECT_TRUE(t.Dispatch(WM_COMMAND, MAKEWPARAM(1002, BN_CLICKED), 0, result));
    EXPECT_TRUE(t.Dispatch(WM_COMMAND, MAKEWPARAM(1014, STN_DBLCLK), 0, result));
    EXPECT_FALSE(t.Dispatch(WM_COMMAND, MAKEWPARAM(1014, STN_CLICKED), 0, result));
    EXPECT_FALSE(t.Dispatch(WM_COMMAND, MAKEWPARAM(1003, BN_CLICKED), 0, result));
    EXPECT_EQ(t.calls, (std::vector<int>{2, 3}));
}

TEST(MessageMap, TheFirstMatchingEntryWinsAndOnlyItRuns) {
    Target t;
    LRESULT result = -1;
    EXPECT_TRUE(t.Dispatch(WM_COMMAND, MAKEWPARAM(1001, BN_CLICKED), 0, result));
    EXPECT_EQ(t.calls, (std::vector<int>{1}));
    EXPECT_EQ(result, 0);
}

TEST(MessageMap, CrackersPassArgumentsAndReturnResults) {
    Target t;
    LRESULT result = 0;
    EXPECT_TRUE(t.Dispatch(WM_SYSCOMMAND, 0x0010, 0x00420017, result));
    EXPECT_EQ(t.sysId, 0x0010u);
    EXPECT_EQ(t.sysParam, 0x00420017);
    EXPECT_TRUE(t.Dispatch(WM_QUERYDRAGICON, 0, 0, result));
    EXPECT_EQ(result, 0x1234);
    EXPECT_TRUE(t.Dispatch(WM_PAINT, 0, 0, result));
    EXPECT_EQ(t.calls, (std::vector<int>{4}));
}

TEST(MessageMap, MessagesWithoutAnEntryAreLeftAlone) {
    Target t;
    LRESULT result = 77;
    EXPECT_FALSE(t.Dispatch(WM_CLOSE, 0, 0, result));
    EXPECT_FALSE(t.Dispatch(WM_TIMER, 1, 0, result));
    EXPECT_EQ(result, 77);
    EXPECT_TRUE(t.calls.empty());
}

}  // namespace

}  // namespace mailvane::framework
