#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "win32/unique_handle.h"

namespace mailvane::e2e {

// A Windows program started by a scenario. A program still running when its
// owner goes away is terminated, so no scenario leaves a process behind.
class AppProcess {
public:
    AppProcess() = default;
    AppProcess(AppProcess&&) = default;
    AppProcess& operator=(AppProcess&&) = default;
    ~AppProcess();

    // Starts `program` with `arguments` in `folder`; false when it cannot
    // start, with the system's error code in StartError().
    bool Start(const std::wstring& program, const std::wstring& arguments, const std::wstring& folder);
    DWORD StartError() const { return m_startError; }

    DWORD Id() const { return m_id; }
    HANDLE Handle() const { return m_process.Get(); }
    bool IsRunning() const;
    // The exit code once the process has ended within the patience of a wait.
    std::optional<DWORD> WaitForExit() const;
    void Terminate();

private:
    win32::UniqueHandle m_process;
    DWORD m_id = 0;
    DWORD m_startError = 0;
};

// Runs a console program to its end; its exit code, or nothing when it could
// not start or did not end.
std::optional<DWORD> RunToEnd(const std::wstring& program, const std::wstring& arguments);

}  // namespace mailvane::e2e
