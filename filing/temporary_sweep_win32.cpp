#include <windows.h>

#include <cstdint>
#include <cwchar>
#include <string>

#include "filing/compound_file_signature.h"
#include "filing/long_path_win32.h"
#include "filing/temporary_name.h"
#include "filing/temporary_sweep.h"
#include "win32/unique_handle.h"

namespace mailvane::filing {
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

std::u16string_view Units(const wchar_t* name) {
    return std::u16string_view(reinterpret_cast<const char16_t*>(name), std::wcslen(name));
}

// Whether the temporary `found`, which no one has open, may go: a leftover
// by its owner and age, or one of the component's earlier saves, whose
// names tell neither and which were held open the same way while written.
bool MayGo(const WIN32_FIND_DATAW& found, std::uint64_t now, unsigned long self) {
    const std::u16string_view name = Units(found.cFileName);
    const std::optional<unsigned long> owner = TemporaryOwner(name);
    if (!owner) return IsEarlierComponentTemporary(name);
    FoundTemporary temporary;
    temporary.ownedByThisProcess = *owner == self;
    temporary.ownerRunning = temporary.ownedByThisProcess || ProcessRunning(*owner);
    const std::uint64_t written = Ticks(found.ftLastWriteTime);
    // File times count 100-nanosecond ticks.
    temporary.sinceWritten = std::chrono::seconds(now > written ? (now - written) / 10'000'000 : 0);
    temporary.unheld = true;
    return IsLeftoverTemporary(temporary);
}

bool IsCandidate(const WIN32_FIND_DATAW& found) {
    constexpr DWORD kNoFile = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE;
    if ((found.dwFileAttributes & kNoFile) != 0) return false;
    const std::u16string_view name = Units(found.cFileName);
    return TemporaryOwner(name) || IsEarlierComponentTemporary(name);
}

// Removes the temporary at `path` when `mayGo` says so of it. Opened with
// no sharing: a writer still at it holds it open, and then the open fails
// and the file is left alone; held so, it cannot be taken up between the
// look and the removal.
template <typename MayGoCall>
void RemoveIfAbandoned(const std::wstring& path, MayGoCall mayGo) noexcept {
    const win32::UniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_READ | DELETE, 0, nullptr, OPEN_EXISTING,
                                                   FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file.IsValid() || !mayGo()) return;
    std::uint8_t head[kCompoundFileSignatureSize] = {};
    DWORD got = 0;
    if (!ReadFile(file.Get(), head, sizeof head, &got, nullptr)) return;
    if (got != 0 && !HasCompoundFileSignature(head, got)) return;
    FILE_DISPOSITION_INFO disposition{TRUE};
    SetFileInformationByHandle(file.Get(), FileDispositionInfo, &disposition, sizeof disposition);
}

}  // namespace

void SweepLeftoverTemporaries(const std::filesystem::path& folder) {
    const std::wstring where = LongPathOf(folder.empty() ? std::filesystem::path(L".") : folder);
    // One listing finds both patterns: ".<name>.<process>-<serial>.tmp"
    // and the earlier "~<name>.tmp<8 hex digits>".
    WIN32_FIND_DATAW found{};
    const win32::UniqueFindHandle search(FindFirstFileW((where + L"\\*.tmp*").c_str(), &found));
    if (!search) return;
    FILETIME nowTime{};
    GetSystemTimeAsFileTime(&nowTime);
    const std::uint64_t now = Ticks(nowTime);
    const unsigned long self = GetCurrentProcessId();
    do {
        if (!IsCandidate(found)) continue;
        RemoveIfAbandoned(where + L"\\" + found.cFileName, [&] { return MayGo(found, now, self); });
    } while (FindNextFileW(search.Get(), &found));
}

}  // namespace mailvane::filing
