#include "mainwindow/process_termination.h"

#include "framework/win_handles.h"

#include <process.h>
#include <windows.h>

void TerminateThisProcess() {
    const UniqueHandle process(OpenProcess(PROCESS_TERMINATE, FALSE, static_cast<DWORD>(_getpid())));
    if (process) TerminateProcess(process.Get(), 0);
}
