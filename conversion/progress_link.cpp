#include "conversion/progress_link.h"

#include <utility>

void ProgressLink::SetCountText(const CString& text) { Push({.kind = ProgressUpdate::Kind::CountText, .text = text}); }

void ProgressLink::SetStatusText(const CString& text) {
    Push({.kind = ProgressUpdate::Kind::StatusText, .text = text});
}

void ProgressLink::SetRange(int lower, int upper) {
    Push({.kind = ProgressUpdate::Kind::Range, .lower = lower, .upper = upper});
}

void ProgressLink::SetPosition(int position) { Push({.kind = ProgressUpdate::Kind::Position, .position = position}); }

void ProgressLink::SetButtonText(const CString& text) {
    Push({.kind = ProgressUpdate::Kind::ButtonText, .text = text});
}

void ProgressLink::Push(ProgressUpdate update) {
    const SrwLockGuard guard(m_lock);
    if (!m_open) return;
    m_pending.push_back(std::move(update));
    // One notification covers everything queued until the window takes it.
    if (!m_posted) m_posted = PostMessageW(m_dialog, WM_PROGRESS_UPDATE, 0, 0) != FALSE;
}

std::vector<ProgressUpdate> ProgressLink::TakePending() {
    std::vector<ProgressUpdate> taken;
    const SrwLockGuard guard(m_lock);
    taken.reserve(m_pending.size());
    for (ProgressUpdate& update : m_pending) taken.push_back(std::move(update));
    m_pending.clear();
    m_posted = false;
    return taken;
}

void ProgressLink::Close() {
    const SrwLockGuard guard(m_lock);
    m_open = false;
    m_pending.clear();
}

bool ProgressLink::IsOpen() const {
    const SrwLockGuard guard(m_lock);
    return m_open;
}
