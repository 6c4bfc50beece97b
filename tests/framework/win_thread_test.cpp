#include "framework/win_thread.h"

#include <gtest/gtest.h>

#include "win32/unique_handle.h"

namespace mailvane::framework {

using win32::UniqueHandle;

namespace {

struct Shared {
    UniqueHandle done{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    DWORD threadId = 0;
    int priority = -99;
    int value = 0;
};

UINT __cdecl Work(LPVOID param) {
    Shared* shared = static_cast<Shared*>(param);
    shared->threadId = GetCurrentThreadId();
    shared->priority = GetThreadPriority(GetCurrentThread());
    shared->value = 42;
    SetEvent(shared->done.Get());
    return 0;
}

TEST(AfxBeginThread, RunsTheProcedureOnItsOwnThreadWithItsParameter) {
    Shared shared;
    ASSERT_NE(AfxBeginThread(Work, &shared, THREAD_PRIORITY_NORMAL, 0, 0, nullptr), nullptr);
    ASSERT_EQ(WaitForSingleObject(shared.done.Get(), INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(shared.value, 42);
    EXPECT_NE(shared.threadId, GetCurrentThreadId());
    EXPECT_EQ(shared.priority, THREAD_PRIORITY_NORMAL);
}

TEST(AfxBeginThread, ASuspendedThreadWaitsUntilResumed) {
    Shared shared;
    CWinThread* thread = AfxBeginThread(Work, &shared, THREAD_PRIORITY_BELOW_NORMAL, 0, CREATE_SUSPENDED, nullptr);
    ASSERT_NE(thread, nullptr);
    EXPECT_EQ(WaitForSingleObject(shared.done.Get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_EQ(shared.value, 0);
    thread->ResumeThread();
    ASSERT_EQ(WaitForSingleObject(shared.done.Get(), INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(shared.priority, THREAD_PRIORITY_BELOW_NORMAL);
}

}  // namespace

}  // namespace mailvane::framework
