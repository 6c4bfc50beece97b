#include "component/path_parts.h"

#include <windows.h>

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
    const std::size_t nameStart = NameStart(path);
    std::size_t dot = path.find_last_of(L'.');
    // A dot that starts the name (".msg") or sits in a folder is no extension.
    if (dot == std::wstring_view::npos || dot <= nameStart) {
        dot = path.size();
    }
    std::wstring numbered(path.substr(0, dot));
    numbered += L" (" + std::to_wstring(number) + L")";
    numbered += path.substr(dot);
    return numbered;
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
