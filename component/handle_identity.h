#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

#include "filing/file_identity.h"

namespace mailvane::component {

// The identity of an open file: its volume's serial number and its index
// on that volume, as eml2msg's inputs have theirs.
std::optional<filing::FileIdentity> IdentityOf(HANDLE file) noexcept;

// The identity of an open file that lies on the volume with `volume`.
// Only the file's index is asked for: the volume's serial is the costly part
// of IdentityOf (a trip to the volume, slow on network shares and under Wine),
// and every file of a folder lies on the folder's volume.
std::optional<filing::FileIdentity> IdentityOnVolume(HANDLE file, std::uint64_t volume) noexcept;

// Empty when nothing can be opened at `path`.
std::optional<filing::FileIdentity> IdentityOf(const std::wstring& path) noexcept;

}  // namespace mailvane::component
