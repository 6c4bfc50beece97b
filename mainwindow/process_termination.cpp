#include "mainwindow/process_termination.h"

#include <windows.h>
#include <process.h>

#include "win32/unique_handle.h"

namespace mailvane::mainwindow {

using win32::UniqueHandle;

void TerminateThisProcess() {
    const UniqueHandle process(OpenProcess(PROCESS_TERMINATE, FALSE, static_cast<DWORD>(_getpid())));
    if (process) TerminateProcess(process.Get(), 0);
}

}  // namespace mailvane::mainwindow
