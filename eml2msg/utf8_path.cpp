#include "eml2msg/utf8_path.h"

#include <system_error>

namespace mailvane::cli {

std::optional<std::filesystem::path> PathFromUtf8(std::string_view text) {
    try {
        return std::filesystem::path(std::u8string(text.begin(), text.end()));
    } catch (const std::system_error&) {
        // Only the Windows side converts, and it refuses bytes that are not UTF-8.
        return std::nullopt;
    }
}

std::string Utf8FromPath(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

}  // namespace mailvane::cli
