#pragma once

#include <windows.h>

#include <deque>
#include <vector>

#include "framework/cstring.h"
#include "win32/srw_lock.h"

namespace mailvane::conversion {

// The message that tells the progress window to apply pending updates.
inline constexpr UINT WM_PROGRESS_UPDATE = WM_APP + 1;

struct ProgressUpdate {
    enum class Kind { CountText, StatusText, Range, Position, ButtonText };
    Kind kind;
    framework::CString text{};  // CountText, StatusText, ButtonText
    int lower = 0;              // Range
    int upper = 0;              // Range
    int position = 0;           // Position
};

// The one way from a conversion worker to its progress window.
//
// Why this is race-free: the worker never touches the dialog object and
// never sends to its windows. It queues an update and posts one
// WM_PROGRESS_UPDATE to the dialog's handle, both under the lock, and only
// while the link is open. The user-interface thread closes the link under
// the same lock in WM_DESTROY, before the handle dies, so every post goes to
// a live window: the handle cannot have been reused. A posted message left in
// the queue when the window is destroyed is dropped by the system. The
// lock is never held across anything that waits for the other thread
// (posting does not wait), so neither thread can block the other for more
// than a queue operation: no deadlock.
class ProgressLink {
public:
    explicit ProgressLink(HWND dialog) : m_dialog(dialog) {}
    ProgressLink(const ProgressLink&) = delete;
    ProgressLink& operator=(const ProgressLink&) = delete;

    // Worker side. Each is dropped silently once the link is closed.
    void SetCountText(const framework::CString& text);
    void SetStatusText(const framework::CString& text);
    void SetRange(int lower, int upper);
    void SetPosition(int position);
    void SetButtonText(const framework::CString& text);
    // Asks the window to show what is queued at once rather than at its next
    // turn: for the moments after which someone looks at the window, such as
    // the completion message.
    void Flush();

    // User-interface side: the updates queued so far, oldest first; taking
    // them answers any flush asked for.
    std::vector<ProgressUpdate> TakePending();
    bool IsFlushAsked() const;
    void Close();
    bool IsOpen() const;

private:
    void Push(ProgressUpdate update);

    mutable win32::SrwLock m_lock;
    HWND m_dialog;
    bool m_open = true;
    bool m_posted = false;
    bool m_flushAsked = false;
    std::deque<ProgressUpdate> m_pending;
};

}  // namespace mailvane::conversion
