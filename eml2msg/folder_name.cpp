#include "eml2msg/folder_name.h"

namespace mailvane::cli {

std::filesystem::path FolderNameOf(const std::filesystem::path& folder) {
    // The program's folders come from the shell's picker: absolute, with no
    // "." or ".." and no separator at the end. Paths typed on a command line
    // are brought to that form first.
    std::filesystem::path absolute = folder.is_absolute() ? folder : std::filesystem::current_path() / folder;
    absolute = absolute.lexically_normal();
    if (!absolute.has_filename() && absolute.has_relative_path()) absolute = absolute.parent_path();
    return absolute.filename();
}

}  // namespace mailvane::cli
