#include "framework/locked_string.h"

namespace {

class SharedLock {
public:
    explicit SharedLock(SRWLOCK& lock) : m_lock(lock) { AcquireSRWLockShared(&m_lock); }
    ~SharedLock() { ReleaseSRWLockShared(&m_lock); }
    SharedLock(const SharedLock&) = delete;
    SharedLock& operator=(const SharedLock&) = delete;

private:
    SRWLOCK& m_lock;
};

}  // namespace

CString LockedString::Get() const {
    SharedLock guard(m_lock);
    return m_text;
}

void LockedString::Set(const CString& text) {
    // The copy is made outside the lock; only the swap, which cannot fail,
    // happens under it.
    CString copy = text;
    AcquireSRWLockExclusive(&m_lock);
    m_text.Swap(copy);
    ReleaseSRWLockExclusive(&m_lock);
}
