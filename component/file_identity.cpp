#include "component/file_identity.h"

#include <winternl.h>

#include "win32/unique_handle.h"

namespace mailvane::component {

std::optional<FileIdentity> IdentityOf(HANDLE file) noexcept {
    BY_HANDLE_FILE_INFORMATION information{};
    if (!GetFileInformationByHandle(file, &information)) {
        return std::nullopt;
    }
    return FileIdentity{information.dwVolumeSerialNumber, information.nFileIndexHigh, information.nFileIndexLow};
}

std::optional<FileIdentity> IdentityOnVolume(HANDLE file, DWORD volumeSerial) noexcept {
    IO_STATUS_BLOCK status{};
    FILE_INTERNAL_INFORMATION information{};
    if (!NT_SUCCESS(NtQueryInformationFile(file, &status, &information, sizeof information, FileInternalInformation))) {
        return std::nullopt;
    }
    const auto index = static_cast<ULONGLONG>(information.IndexNumber.QuadPart);
    return FileIdentity{volumeSerial, static_cast<DWORD>(index >> 32), static_cast<DWORD>(index)};
}

std::optional<FileIdentity> IdentityOf(const std::wstring& path) noexcept {
    // Attributes only, sharing everything: asking must never disturb a
    // writer or reader that holds the file.
    const UniqueFileHandle file(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file.IsValid()) {
        return std::nullopt;
    }
    return IdentityOf(file.Get());
}

}  // namespace mailvane::component
