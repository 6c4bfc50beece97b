#include "component/handle_identity.h"

#include <windows.h>
#include <winternl.h>

#include "win32/unique_handle.h"

namespace mailvane::component {

std::optional<filing::FileIdentity> IdentityOf(HANDLE file) noexcept {
    BY_HANDLE_FILE_INFORMATION information{};
    if (!GetFileInformationByHandle(file, &information)) {
        return std::nullopt;
    }
    return filing::FileIdentity{
        information.dwVolumeSerialNumber,
        (static_cast<std::uint64_t>(information.nFileIndexHigh) << 32) | information.nFileIndexLow};
}

std::optional<filing::FileIdentity> IdentityOnVolume(HANDLE file, std::uint64_t volume) noexcept {
    IO_STATUS_BLOCK status{};
    FILE_INTERNAL_INFORMATION information{};
    if (!NT_SUCCESS(NtQueryInformationFile(file, &status, &information, sizeof information, FileInternalInformation))) {
        return std::nullopt;
    }
    return filing::FileIdentity{volume, static_cast<std::uint64_t>(information.IndexNumber.QuadPart)};
}

std::optional<filing::FileIdentity> IdentityOf(const std::wstring& path) noexcept {
    // Attributes only, sharing everything: asking must never disturb a
    // writer or reader that holds the file.
    const win32::UniqueFileHandle file(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                   OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file.IsValid()) {
        return std::nullopt;
    }
    return IdentityOf(file.Get());
}

}  // namespace mailvane::component
