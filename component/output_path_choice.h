#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "filing/claims.h"
#include "filing/file_identity.h"

namespace mailvane::component {

struct OutputPathChoice {
    HRESULT result = S_OK;
    std::wstring path;         // where to save, when result succeeded
    bool replaces = false;     // whether a file at `path` is to be replaced
    std::wstring description;  // why not, when it failed
};

// Where a message backed by `path` is saved: the path itself, or
// "<name> (2).msg", "<name> (3).msg", ... past the files this session has
// already saved (recorded in `claims`). An existing file is replaced only
// when it is a message file of an earlier run (a compound file) and not the
// message's own source: filing::DecideExistingOutput, said in the
// component's words.
OutputPathChoice ChooseOutputPath(const std::wstring& path, const filing::RunClaims& claims,
                                  const std::optional<filing::FileIdentity>& source);

}  // namespace mailvane::component
