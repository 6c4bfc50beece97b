#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace mailvane::component {

// What makes a file the same file however its path is spelled (case, short
// names, "..", other links): its volume and its index on that volume.
struct FileIdentity {
    DWORD volumeSerial = 0;
    DWORD indexHigh = 0;
    DWORD indexLow = 0;
    bool operator==(const FileIdentity&) const = default;
};

std::optional<FileIdentity> IdentityOf(HANDLE file) noexcept;

// The identity of an open file that lies on the volume with `volumeSerial`.
// Only the file's index is asked for: the volume's serial is the costly part
// of IdentityOf (a trip to the volume, slow on network shares and under Wine),
// and every file of a folder lies on the folder's volume.
std::optional<FileIdentity> IdentityOnVolume(HANDLE file, DWORD volumeSerial) noexcept;

// Empty when nothing can be opened at `path`.
std::optional<FileIdentity> IdentityOf(const std::wstring& path) noexcept;

}  // namespace mailvane::component
