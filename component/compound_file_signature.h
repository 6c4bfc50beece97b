#pragma once

#include <string>

namespace mailvane::component {

// True when the file at `path` can be read and starts with the signature
// of a compound file (filing::HasCompoundFileSignature).
bool FileHasCompoundFileSignature(const std::wstring& path) noexcept;

}  // namespace mailvane::component
