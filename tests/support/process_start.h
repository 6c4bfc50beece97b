#pragma once

#include <windows.h>

#include <string>

namespace mailvane::testing {

// CreateProcessW for the test drivers. Wine now and then loses a new process
// while it starts and reports ERROR_INTERNAL_ERROR; such a start is tried
// again a few times after a short pause. Any other failure returns at once.
// On failure the thread's last error is the one CreateProcessW left.
// `application` and `folder` may be empty.
bool StartProcess(const std::wstring& application, const std::wstring& commandLine, const std::wstring& folder,
                  PROCESS_INFORMATION& process);

}  // namespace mailvane::testing
