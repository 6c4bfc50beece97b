#include "filing/folder_name.h"

namespace mailvane::filing {

std::filesystem::path FolderNameOf(const std::filesystem::path& folder) {
    std::filesystem::path absolute = folder.is_absolute() ? folder : std::filesystem::current_path() / folder;
    absolute = absolute.lexically_normal();
    if (!absolute.has_filename() && absolute.has_relative_path()) absolute = absolute.parent_path();
    using Char = std::filesystem::path::value_type;
    return std::filesystem::path(
        FolderNameOf(std::basic_string_view<Char>(absolute.native()), std::filesystem::path::preferred_separator));
}

}  // namespace mailvane::filing
