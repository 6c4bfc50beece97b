#pragma once

#include <windows.h>

#include "win32/srw_lock.h"
#include "win32/unique_handle.h"

namespace mailvane::conversion {

// Tracks the conversion workers of the process and lets them run one at a
// time: a worker whose progress window was closed early may still be
// converting when the next run starts, and both would otherwise share the
// single session and message slots.
class RunTracker {
public:
    RunTracker();
    RunTracker(const RunTracker&) = delete;
    RunTracker& operator=(const RunTracker&) = delete;

    // A run is begun before its worker starts, so a wait that follows can
    // never miss it; the worker ends it as its last step, or the starter does
    // at once when no worker could start.
    void Begin();
    void End();
    bool IsIdle() const;

    // Held by a worker for its whole run; a second worker waits here, on its
    // own thread, so the windows stay responsive meanwhile.
    win32::SrwLockGuard TakeTurn() { return win32::SrwLockGuard(m_turn); }

    // On the user-interface thread: returns when no worker is left. Messages
    // that workers send to this thread's windows are handled meanwhile, so a
    // worker blocked on reading the source list cannot deadlock the wait.
    void WaitUntilIdle() const;

private:
    win32::SrwLock m_turn;
    mutable win32::SrwLock m_countLock;
    int m_count = 0;
    win32::UniqueHandle m_idle;  // manual-reset, signalled while m_count is 0
};

}  // namespace mailvane::conversion
