#include "component/unix_side_folders.h"

#include <windows.h>

#include <optional>
#include <string>

#include "component/path_parts.h"

namespace mailvane::component {
namespace {

// Wine's own export, absent from Windows: the Linux path of a Windows path,
// allocated on the process heap.
using UnixFileNameFunction = char*(CDECL*)(LPCWSTR);

UnixFileNameFunction WineUnixFileName() {
    static const auto function = reinterpret_cast<UnixFileNameFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    return function;
}

std::optional<std::string> UnixPathOf(UnixFileNameFunction unixFileName, const std::wstring& path) {
    char* const unixPath = unixFileName(path.c_str());
    if (unixPath == nullptr) {
        return std::nullopt;
    }
    std::string copy(unixPath);
    HeapFree(GetProcessHeap(), 0, unixPath);
    return copy;
}

std::wstring UnixSideOf(const std::wstring& folder) {
    const UnixFileNameFunction unixFileName = WineUnixFileName();
    if (unixFileName == nullptr || folder.empty()) {
        return {};
    }
    const std::optional<std::string> unixPath = UnixPathOf(unixFileName, FolderForQuery(folder));
    if (!unixPath || unixPath->empty() || unixPath->front() != '/') {
        return {};
    }
    const int units = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, unixPath->data(),
                                          static_cast<int>(unixPath->size()), nullptr, 0);
    if (units <= 0) {
        return {};
    }
    std::wstring wide(static_cast<std::size_t>(units), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, unixPath->data(), static_cast<int>(unixPath->size()),
                        wide.data(), units);
    std::wstring unixSide = L"\\\\?\\unix";
    for (const wchar_t c : wide) {
        unixSide += c == L'/' ? L'\\' : c;
    }
    // Wine spells Linux names in its own code page, which need not be
    // UTF-8, and a Linux name may hold a backslash: the spelling is used only
    // when it names the same Linux folder again.
    if (UnixPathOf(unixFileName, unixSide) != unixPath) {
        return {};
    }
    if (unixSide.back() != L'\\') {
        unixSide += L'\\';
    }
    return unixSide;
}

}  // namespace

const std::wstring& UnixSideFolders::Of(const std::wstring& folder) {
    if (folder != m_folder) {
        m_unixSide = UnixSideOf(folder);
        m_folder = folder;
    }
    return m_unixSide;
}

}  // namespace mailvane::component
