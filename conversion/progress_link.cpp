#include "conversion/progress_link.h"

#include <utility>

namespace mailvane::conversion {

using framework::CString;
using win32::SrwLockGuard;

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

void ProgressLink::Flush() {
    const SrwLockGuard guard(m_lock);
    if (!m_open) return;
    m_flushAsked = true;
    // Posted even when a notification is out: the window may be holding the
    // queue back until its next turn.
    if (PostMessageW(m_dialog, WM_PROGRESS_UPDATE, 0, 0)) m_posted = true;
}

std::vector<ProgressUpdate> ProgressLink::TakePending() {
    std::vector<ProgressUpdate> taken;
    const SrwLockGuard guard(m_lock);
    taken.reserve(m_pending.size());
    for (ProgressUpdate& update : m_pending) taken.push_back(std::move(update));
    m_pending.clear();
    m_posted = false;
    m_flushAsked = false;
    return taken;
}

bool ProgressLink::IsFlushAsked() const {
    const SrwLockGuard guard(m_lock);
    return m_flushAsked;
}

void ProgressLink::Close() {
    const SrwLockGuard guard(m_lock);
    m_open = false;
    m_pending.clear();
    m_flushAsked = false;
}

bool ProgressLink::IsOpen() const {
    const SrwLockGuard guard(m_lock);
    return m_open;
}

}  // namespace mailvane::conversion
