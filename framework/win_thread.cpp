#include "framework/win_thread.h"

#include <process.h>

namespace mailvane::framework {

BOOL CWinThread::CreateThread(DWORD flags, UINT stackSize, LPSECURITY_ATTRIBUTES security) {
    // Always created suspended, so the object is complete before the thread
    // can run and delete it.
    const uintptr_t handle = _beginthreadex(security, stackSize, Start, this, flags | CREATE_SUSPENDED, nullptr);
    if (handle == 0) return FALSE;
    m_hThread.Reset(reinterpret_cast<HANDLE>(handle));
    return TRUE;
}

unsigned __stdcall CWinThread::Start(void* self) {
    CWinThread* thread = static_cast<CWinThread*>(self);
    const UINT result = thread->m_procedure(thread->m_parameter);
    if (thread->m_bAutoDelete) delete thread;
    return result;
}

CWinThread* AfxBeginThread(AFX_THREADPROC procedure, LPVOID parameter, int priority, UINT stackSize, DWORD flags,
                           LPSECURITY_ATTRIBUTES security) {
    CWinThread* thread = new CWinThread(procedure, parameter);
    if (!thread->CreateThread(flags, stackSize, security)) {
        delete thread;
        return nullptr;
    }
    thread->SetThreadPriority(priority);
    if ((flags & CREATE_SUSPENDED) == 0) thread->ResumeThread();
    return thread;
}

}  // namespace mailvane::framework
