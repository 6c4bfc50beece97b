#include "component/file_identity.h"

#include "win32/unique_handle.h"

namespace mailvane::component {

std::optional<FileIdentity> IdentityOf(HANDLE file) noexcept {
    BY_HANDLE_FILE_INFORMATION information{};
    if (!GetFileInformationByHandle(file, &information)) {
        return std::nullopt;
    }
    return FileIdentity{information.dwVolumeSerialNumber, information.nFileIndexHigh, information.nFileIndexLow};
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
