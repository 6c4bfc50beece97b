#include "conversion/run_tracker.h"

namespace mailvane::conversion {

using win32::SrwLockGuard;

RunTracker::RunTracker() : m_idle(CreateEventW(nullptr, TRUE, TRUE, nullptr)) {}

void RunTracker::Begin() {
    const SrwLockGuard guard(m_countLock);
    if (m_count++ == 0) ResetEvent(m_idle.Get());
}

void RunTracker::End() {
    const SrwLockGuard guard(m_countLock);
    if (--m_count == 0) SetEvent(m_idle.Get());
}

bool RunTracker::IsIdle() const {
    const SrwLockGuard guard(m_countLock, SrwLockGuard::Mode::Shared);
    return m_count == 0;
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

}  // namespace mailvane::conversion
