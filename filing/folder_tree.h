#pragma once

#include <filesystem>
#include <string>

namespace mailvane::filing {

// Creates every missing folder along `folder`, level by level, as the
// program makes a row's destination. False, with `error` set, at the first
// level that can be neither found nor created. `made`, when given, tells
// whether this call made `folder` itself, which then held nothing.
bool EnsureFolderTree(const std::filesystem::path& folder, std::string& error, bool* made = nullptr);

}  // namespace mailvane::filing
