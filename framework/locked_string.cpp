#include "framework/locked_string.h"

namespace mailvane::framework {

using win32::SrwLockGuard;

CString LockedString::Get() const {
    const SrwLockGuard guard(m_lock, SrwLockGuard::Mode::Shared);
    return m_text;
}

void LockedString::Set(const CString& text) {
    // The copy is made outside the lock; only the swap, which cannot fail,
    // happens under it.
    CString copy = text;
    const SrwLockGuard guard(m_lock);
    m_text.Swap(copy);
}

}  // namespace mailvane::framework
