#include "filing/utf8_path.h"

#include <system_error>
#include <type_traits>

#include "engine/text/utf8.h"

namespace mailvane::filing {

std::optional<std::filesystem::path> PathFromUtf8(std::string_view text) {
    if constexpr (std::is_same_v<std::filesystem::path::value_type, char>) {
        // A path here is its bytes as they are, which need no copy as UTF-8
        // text first.
        return std::filesystem::path(text);
    } else {
        try {
            return std::filesystem::path(std::u8string(text.begin(), text.end()));
        } catch (const std::system_error&) {
            // Windows refuses bytes that are not UTF-8.
            return std::nullopt;
        }
    }
}

std::string Utf8FromPath(const std::filesystem::path& path) {
    if constexpr (std::is_same_v<std::filesystem::path::value_type, wchar_t>) {
        // Windows keeps names as UTF-16 units, which may hold a surrogate
        // without its pair; the standard conversion throws on one. Here it
        // becomes U+FFFD in the name shown and in the output named after it,
        // while the input is still opened by its own path.
        const std::u16string units(path.native().begin(), path.native().end());
        return text::Utf8FromUtf16(units);
    } else {
        // Elsewhere the path's bytes are given as they are.
        return path.string();
    }
}

}  // namespace mailvane::filing
