#include "eml2msg/temporary_sweep.h"

#include <windows.h>

#include <cstdint>
#include <string>

#include "filing/long_path_win32.h"
#include "eml2msg/temporary_name.h"
#include "filing/utf8_path.h"
#include "win32/unique_handle.h"

namespace mailvane::cli {
namespace {

bool ProcessRunning(unsigned long id) {
    const win32::UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(id)));
    // Refused for want of rights: it runs, as another user.
    if (!process) return GetLastError() == ERROR_ACCESS_DENIED;
    DWORD code = 0;
    return GetExitCodeProcess(process.Get(), &code) && code == STILL_ACTIVE;
}

std::uint64_t Ticks(const FILETIME& time) {
    return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

}  // namespace

void SweepLeftoverTemporaries(const std::filesystem::path& folder) {
    const std::filesystem::path where = folder.empty() ? std::filesystem::path(L".") : folder;
    WIN32_FIND_DATAW found{};
    const win32::UniqueFindHandle search(FindFirstFileW((filing::LongPathOf(where) + L"\\.*.tmp").c_str(), &found));
    if (!search) return;
    FILETIME nowTime{};
    GetSystemTimeAsFileTime(&nowTime);
    const std::uint64_t now = Ticks(nowTime);
    const unsigned long self = GetCurrentProcessId();
    do {
        constexpr DWORD kNoFile = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE;
        if ((found.dwFileAttributes & kNoFile) != 0) continue;
        const std::filesystem::path name(found.cFileName);
        const std::optional<unsigned long> owner = TemporaryOwner(filing::Utf8FromPath(name));
        if (!owner) continue;
        FoundTemporary temporary;
        temporary.ownedByThisProcess = *owner == self;
        temporary.ownerRunning = temporary.ownedByThisProcess || ProcessRunning(*owner);
        const std::uint64_t written = Ticks(found.ftLastWriteTime);
        // File times count 100-nanosecond ticks.
        temporary.sinceWritten = std::chrono::seconds(now > written ? (now - written) / 10'000'000 : 0);
        if (IsLeftoverTemporary(temporary)) DeleteFileW(filing::LongPathOf(where / name).c_str());
    } while (FindNextFileW(search.Get(), &found));
}

}  // namespace mailvane::cli
