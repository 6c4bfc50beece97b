#include "filing/handle_identity_win32.h"

#include <windows.h>
#include <winternl.h>

namespace mailvane::filing {

std::optional<FileIdentity> IdentityOfHandle(HANDLE file) noexcept {
    BY_HANDLE_FILE_INFORMATION information{};
    if (!GetFileInformationByHandle(file, &information)) {
        return std::nullopt;
    }
    return FileIdentity{information.dwVolumeSerialNumber,
                        (static_cast<std::uint64_t>(information.nFileIndexHigh) << 32) | information.nFileIndexLow};
}

std::optional<FileIdentity> IdentityOnVolume(HANDLE file, std::uint64_t volume) noexcept {
    IO_STATUS_BLOCK status{};
    FILE_INTERNAL_INFORMATION information{};
    if (!NT_SUCCESS(NtQueryInformationFile(file, &status, &information, sizeof information, FileInternalInformation))) {
        return std::nullopt;
    }
    return FileIdentity{volume, static_cast<std::uint64_t>(information.IndexNumber.QuadPart)};
}

}  // namespace mailvane::filing
