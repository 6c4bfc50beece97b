#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace mailvane::framework {

// Answers the dialogs that the code under test opens on its own threads:
// every visible dialog window (class #32770) of this process that is not
// in the ignore list is recorded and closed by clicking one of its buttons.
// Message boxes are told apart by their text static (id 0xFFFF).
class DialogWatcher {
public:
    struct Seen {
        std::wstring caption;
        std::wstring text;  // the message box's text, empty for other dialogs
        LONG_PTR style;     // the window's style bits
        HWND owner;
    };

    // answer: the id of the button to click (IDOK, IDYES, IDNO, ...).
    explicit DialogWatcher(int answer = IDOK);
    ~DialogWatcher();
    DialogWatcher(const DialogWatcher&) = delete;
    DialogWatcher& operator=(const DialogWatcher&) = delete;

    void Ignore(HWND window);
    void SetAnswer(int answer) { m_answer = answer; }
    std::vector<Seen> Taken() const;

private:
    void Run();
    bool HandleOne();

    std::atomic<int> m_answer;
    std::atomic<bool> m_stop{false};
    mutable std::mutex m_lock;
    std::vector<HWND> m_ignored;
    std::vector<Seen> m_seen;
    std::thread m_thread;
};

}  // namespace mailvane::framework
