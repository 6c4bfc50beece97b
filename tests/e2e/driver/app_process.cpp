#include "app_process.h"

#include "polling.h"
#include "tests/support/process_start.h"

namespace mailvane::e2e {

AppProcess::~AppProcess() { Terminate(); }

bool AppProcess::Start(const std::wstring& program, const std::wstring& arguments, const std::wstring& folder) {
    std::wstring commandLine = L"\"" + program + L"\"";
    if (!arguments.empty()) {
        commandLine += L" " + arguments;
    }
    PROCESS_INFORMATION info{};
    if (!testing::StartProcess(program, commandLine, folder, info)) {
        m_startError = GetLastError();
        return false;
    }
    m_startError = 0;
    const win32::UniqueHandle thread(info.hThread);
    m_process = win32::UniqueHandle(info.hProcess);
    m_id = info.dwProcessId;
    return true;
}

bool AppProcess::IsRunning() const { return m_process && WaitForSingleObject(m_process.Get(), 0) == WAIT_TIMEOUT; }

std::optional<DWORD> AppProcess::WaitForExit() const {
    if (!m_process ||
        WaitForSingleObject(m_process.Get(), static_cast<DWORD>(Stretched(kPatience).count())) != WAIT_OBJECT_0) {
        return std::nullopt;
    }
    DWORD code = 0;
    if (!GetExitCodeProcess(m_process.Get(), &code)) {
        return std::nullopt;
    }
    return code;
}

void AppProcess::Terminate() {
    if (IsRunning()) {
        TerminateProcess(m_process.Get(), 1);
        WaitForSingleObject(m_process.Get(), static_cast<DWORD>(Stretched(kPatience).count()));
    }
}

std::optional<DWORD> RunToEnd(const std::wstring& program, const std::wstring& arguments) {
    AppProcess process;
    if (!process.Start(program, arguments, L"")) {
        return std::nullopt;
    }
    return process.WaitForExit();
}

}  // namespace mailvane::e2e
