#include "eml2msg/folder_tree.h"

#include "eml2msg/file_system.h"

namespace mailvane::cli {

bool EnsureFolderTree(const std::filesystem::path& folder, std::string& error) {
    if (KindOf(folder) == PathKind::Folder) return true;
    std::filesystem::path prefix = folder.root_path();
    for (const std::filesystem::path& part : folder.relative_path()) {
        if (part.empty()) continue;
        prefix /= part;
        if (part == "." || part == "..") continue;
        if (!CreateFolder(prefix, error)) return false;
    }
    return true;
}

}  // namespace mailvane::cli
