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

// The source at `path`, read by filing's reader (refused past
// filing::kLargestSource, with ERROR_FILE_TOO_LARGE), in the component's
// terms. `path` is best absolute: the identity's volume is taken from its
// folder's in `folders`, and without a folder it is asked of the file
// itself. The bytes are read into `room`, whose capacity is used before any
// is added.
SourceFile ReadSourceFile(const std::wstring& path, FolderIdentities& folders, std::vector<std::uint8_t> room = {});

}  // namespace mailvane::component
