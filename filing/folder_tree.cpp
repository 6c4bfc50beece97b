#include "filing/folder_tree.h"

#include "filing/file_system.h"

namespace mailvane::filing {

bool EnsureFolderTree(const std::filesystem::path& folder, std::string& error, bool* made) {
    if (made != nullptr) *made = false;
    if (KindOf(folder) == PathKind::Folder) return true;
    std::filesystem::path prefix = folder.root_path();
    bool madeLast = false;
    for (const std::filesystem::path& part : folder.relative_path()) {
        if (part.empty()) continue;
        prefix /= part;
        madeLast = false;
        if (part == "." || part == "..") continue;
        if (!CreateFolder(prefix, error, &madeLast)) return false;
    }
    if (made != nullptr) *made = madeLast;
    return true;
}

}  // namespace mailvane::filing
