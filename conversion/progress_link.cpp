#include "conversion/progress_link.h"

#include <utility>

namespace {

class ExclusiveLock {
public:
    explicit ExclusiveLock(SRWLOCK& lock) : m_lock(lock) { AcquireSRWLockExclusive(&m_lock); }
    ~ExclusiveLock() { ReleaseSRWLockExclusive(&m_lock); }
    ExclusiveLock(const ExclusiveLock&) = delete;
    ExclusiveLock& operator=(const ExclusiveLock&) = delete;

private:
    SRWLOCK& m_lock;
};

}  // namespace

ProgressLink::ProgressLink(HWND dialog) : m_dialog(dialog) { InitializeSRWLock(&m_lock); }

void ProgressLink::SetCountText(const CString& text) { Push({ProgressUpdate::Kind::CountText, text, 0}); }

void ProgressLink::SetStatusText(const CString& text) { Push({ProgressUpdate::Kind::StatusText, text, 0}); }

void ProgressLink::SetRange(LPARAM range) { Push({ProgressUpdate::Kind::Range, CString(), range}); }

void ProgressLink::SetPosition(int position) { Push({ProgressUpdate::Kind::Position, CString(), position}); }

void ProgressLink::SetButtonText(const CString& text) { Push({ProgressUpdate::Kind::ButtonText, text, 0}); }

void ProgressLink::Push(ProgressUpdate update) {
    ExclusiveLock guard(m_lock);
    if (!m_open) return;
    m_pending.push_back(std::move(update));
    // One notification covers everything queued until the window takes it.
    if (!m_posted) m_posted = PostMessageW(m_dialog, WM_PROGRESS_UPDATE, 0, 0) != FALSE;
}

std::vector<ProgressUpdate> ProgressLink::TakePending() {
    std::vector<ProgressUpdate> taken;
    ExclusiveLock guard(m_lock);
    taken.reserve(m_pending.size());
    for (ProgressUpdate& update : m_pending) taken.push_back(std::move(update));
    m_pending.clear();
    m_posted = false;
    return taken;
}

void ProgressLink::Close() {
    ExclusiveLock guard(m_lock);
    m_open = false;
    m_pending.clear();
}

bool ProgressLink::IsOpen() const {
    ExclusiveLock guard(m_lock);
    return m_open;
}
