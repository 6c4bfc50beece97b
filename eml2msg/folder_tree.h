#pragma once

#include <filesystem>
#include <string>

namespace mailvane::cli {

// Creates every missing folder along `folder`, level by level, as the
// program makes a row's destination. False, with `error` set, at the first
// level that can be neither found nor created.
bool EnsureFolderTree(const std::filesystem::path& folder, std::string& error);

}  // namespace mailvane::cli
