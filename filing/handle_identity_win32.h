#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>

#include "filing/file_identity.h"

namespace mailvane::filing {

// The identity of an open file: its volume's serial number and its index
// on that volume.
std::optional<FileIdentity> IdentityOfHandle(HANDLE file) noexcept;

// The identity of an open file that lies on the volume with `volume`.
// Only the file's index is asked for: the volume's serial is the costly part
// of IdentityOfHandle (a trip to the volume, slow on network shares and
// under Wine), and every file of a folder lies on the folder's volume.
std::optional<FileIdentity> IdentityOnVolume(HANDLE file, std::uint64_t volume) noexcept;

}  // namespace mailvane::filing
