#include "tests/support/process_start.h"

namespace mailvane::testing {

namespace {

constexpr int kAttempts = 4;
constexpr DWORD kPauseMilliseconds = 250;

}  // namespace

bool StartProcess(const std::wstring& application, const std::wstring& commandLine, const std::wstring& folder,
                  PROCESS_INFORMATION& process) {
    for (int attempt = 1;; ++attempt) {
        // CreateProcessW may write into the command line, so each try gets
        // a fresh copy.
        std::wstring line = commandLine;
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        if (CreateProcessW(application.empty() ? nullptr : application.c_str(), line.data(), nullptr, nullptr, FALSE, 0,
                           nullptr, folder.empty() ? nullptr : folder.c_str(), &startup, &process)) {
            return true;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_INTERNAL_ERROR || attempt == kAttempts) {
            SetLastError(error);
            return false;
        }
        Sleep(kPauseMilliseconds);
    }
}

}  // namespace mailvane::testing
