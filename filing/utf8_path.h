#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace mailvane::filing {

// Paths as the command line and the lists give them and as messages print
// them: UTF-8 on Windows, the file system's own bytes elsewhere.

// Empty when the text is no path of this platform (invalid UTF-8 on Windows).
std::optional<std::filesystem::path> PathFromUtf8(std::string_view text);
// On Windows a surrogate without its pair, which a name may hold, becomes
// U+FFFD.
std::string Utf8FromPath(const std::filesystem::path& path);

}  // namespace mailvane::filing
