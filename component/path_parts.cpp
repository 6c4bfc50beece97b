#include "component/path_parts.h"

#include <windows.h>

#include "filing/output_naming.h"

namespace mailvane::component {
namespace {

std::size_t NameStart(std::wstring_view path) {
    const std::size_t separator = path.find_last_of(L"\\/");
    return separator == std::wstring_view::npos ? 0 : separator + 1;
}

}  // namespace

std::wstring FolderOf(std::wstring_view path) { return std::wstring(path.substr(0, NameStart(path))); }

std::wstring FolderForQuery(std::wstring folder) {
    if (folder.size() > 1 && (folder.back() == L'\\' || folder.back() == L'/') &&
        !(folder.size() == 3 && folder[1] == L':')) {
        folder.pop_back();
    }
    return folder;
}

std::wstring_view NameOf(std::wstring_view path) { return path.substr(NameStart(path)); }

std::wstring NumberedVariant(std::wstring_view path, unsigned number) {
    static_assert(sizeof(wchar_t) == sizeof(char16_t), "a Windows name is UTF-16");
    const std::wstring_view name = NameOf(path);
    const std::u16string numbered = filing::NumberedFileName(
        std::u16string_view(reinterpret_cast<const char16_t*>(name.data()), name.size()), number);
    std::wstring variant(path.substr(0, path.size() - name.size()));
    variant.append(reinterpret_cast<const wchar_t*>(numbered.data()), numbered.size());
    return variant;
}

std::optional<std::wstring> AbsolutePath(const std::wstring& path) {
    std::wstring full(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        if (length == 0) {
            return std::nullopt;
        }
        if (length < full.size()) {
            full.resize(length);
            return full;
        }
        full.resize(length);
    }
}

}  // namespace mailvane::component
