#pragma once

#include "framework/cstring.h"
#include "win32/srw_lock.h"

namespace mailvane::framework {

// A string shared between threads: every read is a copy taken under the
// lock, so a writer never changes text that a reader is still using.
class LockedString {
public:
    LockedString() = default;
    LockedString(const LockedString&) = delete;
    LockedString& operator=(const LockedString&) = delete;

    CString Get() const;
    void Set(const CString& text);

private:
    mutable win32::SrwLock m_lock;
    CString m_text;
};

}  // namespace mailvane::framework
