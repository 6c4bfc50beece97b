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

// Empty when nothing can be opened at `path`.
std::optional<FileIdentity> IdentityOf(const std::wstring& path) noexcept;

}  // namespace mailvane::component
