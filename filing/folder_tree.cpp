#include "filing/folder_tree.h"

#include "filing/file_system.h"
#include "filing/utf8_path.h"

namespace mailvane::filing {
namespace {

bool IsSeparator(std::filesystem::path::value_type c) {
    return c == '/' || c == std::filesystem::path::preferred_separator;
}

// How many leading parts of a path's relative part belong to its root. On
// Windows a path that opens with two separators names a share
// ("\\server\share\...") or is written in the long or device form
// ("\\?\C:\...", "\\?\UNC\server\share\...", "\\.\..."); none of those
// parts is a folder to make, and this platform's std::filesystem takes only
// the first separator as the root, so "\server" would name a folder at the
// root of the current drive.
std::size_t RootPartsAfterSeparators(const std::filesystem::path& folder) {
    if (std::filesystem::path::preferred_separator != '\\') return 0;
    const std::filesystem::path::string_type& text = folder.native();
    if (text.size() < 3 || !IsSeparator(text[0]) || !IsSeparator(text[1]) || IsSeparator(text[2])) return 0;
    const bool longShare = text.size() >= 8 && text[2] == '?' && IsSeparator(text[3]) &&
                           (text[4] == 'U' || text[4] == 'u') && (text[5] == 'N' || text[5] == 'n') &&
                           (text[6] == 'C' || text[6] == 'c') && IsSeparator(text[7]);
    return longShare ? 4 : 2;
}

}  // namespace

bool EnsureFolderTree(const std::filesystem::path& folder, std::string& error, bool* made) {
    if (made != nullptr) *made = false;
    if (KindOf(folder) == PathKind::Folder) return true;
    const std::size_t shareParts = RootPartsAfterSeparators(folder);
    std::size_t rootParts = shareParts;
    std::filesystem::path prefix =
        shareParts == 0 ? folder.root_path() : std::filesystem::path(folder.native().substr(0, 2));
    bool madeLast = false;
    bool anyLevel = false;
    for (const std::filesystem::path& part : folder.relative_path()) {
        if (part.empty()) continue;
        prefix /= part;
        madeLast = false;
        if (rootParts > 0) {
            --rootParts;
            continue;
        }
        if (part == "." || part == "..") continue;
        anyLevel = true;
        if (!CreateFolder(prefix, error, &madeLast)) return false;
    }
    if (shareParts > 0 && !anyLevel && !LeadsToFolder(folder)) {
        error = "cannot reach the share " + Utf8FromPath(folder);
        return false;
    }
    if (made != nullptr) *made = madeLast;
    return true;
}

}  // namespace mailvane::filing
