#include "conversion/run_tracker.h"

RunTracker::RunTracker() : m_idle(CreateEventW(nullptr, TRUE, TRUE, nullptr)) {
    InitializeSRWLock(&m_turn);
    InitializeSRWLock(&m_countLock);
}

void RunTracker::Begin() {
    AcquireSRWLockExclusive(&m_countLock);
    if (m_count++ == 0) ResetEvent(m_idle.Get());
    ReleaseSRWLockExclusive(&m_countLock);
}

void RunTracker::End() {
    AcquireSRWLockExclusive(&m_countLock);
    if (--m_count == 0) SetEvent(m_idle.Get());
    ReleaseSRWLockExclusive(&m_countLock);
}

bool RunTracker::IsIdle() const {
    AcquireSRWLockShared(&m_countLock);
    const bool idle = m_count == 0;
    ReleaseSRWLockShared(&m_countLock);
    return idle;
}

void RunTracker::WaitUntilIdle() const {
    const HANDLE idle = m_idle.Get();
    for (;;) {
        const DWORD result = MsgWaitForMultipleObjects(1, &idle, FALSE, INFINITE, QS_SENDMESSAGE);
        if (result != WAIT_OBJECT_0 + 1) return;
        // Only sent messages are handled here; posted input waits for the
        // message loop, so no handler of the window being torn down re-enters.
        MSG message;
        PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}
