#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "component/folder_identities.h"

namespace mailvane::component {

// The bytes of a source file and the identity of the very file they came from.
struct SourceFile {
    DWORD error = ERROR_SUCCESS;  // a Win32 code when the file could not be read
    std::vector<std::uint8_t> bytes;
    filing::FileIdentity identity;
};

// Larger sources are refused before any memory is taken for them: the
// message file they would give could not be written anyway.
inline constexpr std::uint64_t kLargestSource = 1ull << 30;

// `path` is best absolute: the identity's volume is taken from its folder's
// in `folders`, and without a folder it is asked of the file itself. The
// bytes are read into `room`, whose capacity is used before any is added.
SourceFile ReadSourceFile(const std::wstring& path, FolderIdentities& folders, std::vector<std::uint8_t> room = {});

}  // namespace mailvane::component
