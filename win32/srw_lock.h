#pragma once

#include <windows.h>

namespace mailvane::win32 {

// A slim reader/writer lock. It is taken and given back only through an
// SrwLockGuard, so no path can leave it held.
class SrwLock {
public:
    SrwLock() noexcept = default;
    SrwLock(const SrwLock&) = delete;
    SrwLock& operator=(const SrwLock&) = delete;

private:
    friend class SrwLockGuard;
    SRWLOCK m_lock = SRWLOCK_INIT;
};

// Holds an SrwLock from its construction to the end of its scope: alone
// (Exclusive, for writers) or beside other readers (Shared). A slim lock is
// not recursive, and it is given back on the thread that took it.
class [[nodiscard]] SrwLockGuard {
public:
    enum class Mode { Exclusive, Shared };

    explicit SrwLockGuard(SrwLock& lock, Mode mode = Mode::Exclusive) noexcept : m_lock(lock.m_lock), m_mode(mode) {
        if (m_mode == Mode::Shared) {
            AcquireSRWLockShared(&m_lock);
        } else {
            AcquireSRWLockExclusive(&m_lock);
        }
    }
    ~SrwLockGuard() {
        if (m_mode == Mode::Shared) {
            ReleaseSRWLockShared(&m_lock);
        } else {
            ReleaseSRWLockExclusive(&m_lock);
        }
    }
    SrwLockGuard(const SrwLockGuard&) = delete;
    SrwLockGuard& operator=(const SrwLockGuard&) = delete;

private:
    SRWLOCK& m_lock;
    Mode m_mode;
};

}  // namespace mailvane::win32
