#pragma once

#include <windows.h>

#include "win32/unique_handle.h"

namespace mailvane::framework {

using AFX_THREADPROC = UINT(__cdecl*)(LPVOID);

// A worker thread started by AfxBeginThread. It owns its thread handle and,
// with m_bAutoDelete (the default), deletes itself when the thread ends, so
// the pointer AfxBeginThread returns must not be used after the thread may
// have ended.
class CWinThread {
public:
    CWinThread(AFX_THREADPROC procedure, LPVOID parameter) : m_procedure(procedure), m_parameter(parameter) {}
    CWinThread(const CWinThread&) = delete;
    CWinThread& operator=(const CWinThread&) = delete;

    BOOL CreateThread(DWORD flags, UINT stackSize, LPSECURITY_ATTRIBUTES security);
    BOOL SetThreadPriority(int priority) { return ::SetThreadPriority(m_hThread.Get(), priority); }
    DWORD ResumeThread() { return ::ResumeThread(m_hThread.Get()); }

    win32::UniqueHandle m_hThread;
    bool m_bAutoDelete = true;

private:
    static unsigned __stdcall Start(void* self);
    AFX_THREADPROC m_procedure;
    LPVOID m_parameter;
};

// Starts procedure(parameter) on a new thread; null when it cannot start.
CWinThread* AfxBeginThread(AFX_THREADPROC procedure, LPVOID parameter, int priority = THREAD_PRIORITY_NORMAL,
                           UINT stackSize = 0, DWORD flags = 0, LPSECURITY_ATTRIBUTES security = nullptr);

}  // namespace mailvane::framework
