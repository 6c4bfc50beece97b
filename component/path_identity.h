#pragma once

#include <optional>
#include <string>

#include "filing/file_identity.h"

namespace mailvane::component {

// The identity of the file at `path` (filing::IdentityOf), for the
// component's calls, from which no exception may leave: empty when nothing
// can be opened there or the question could not be asked.
std::optional<filing::FileIdentity> IdentityOf(const std::wstring& path) noexcept;

}  // namespace mailvane::component
