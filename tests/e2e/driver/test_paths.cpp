#include "test_paths.h"

#include <windows.h>

#include <cstdlib>
#include <vector>

#include "win32/unique_handle.h"

namespace mailvane::e2e {

std::wstring WindowsPathOf(const std::string& unixPath) {
    std::wstring result = L"Z:";
    const int length = MultiByteToWideChar(CP_UTF8, 0, unixPath.data(), static_cast<int>(unixPath.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, unixPath.data(), static_cast<int>(unixPath.size()), wide.data(), length);
    for (wchar_t& c : wide) {
        if (c == L'/') {
            c = L'\\';
        }
    }
    // Lexically fold "x/../" so paths built from the build tree stay short.
    std::vector<std::wstring> parts;
    size_t start = 0;
    while (start <= wide.size()) {
        const size_t end = std::min(wide.find(L'\\', start), wide.size());
        const std::wstring part = wide.substr(start, end - start);
        if (part == L"..") {
            if (!parts.empty()) {
                parts.pop_back();
            }
        } else if (!part.empty() && part != L".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    for (const auto& part : parts) {
        result += L"\\" + part;
    }
    return result;
}

std::string UnixPathOf(const std::wstring& windowsPath) {
    std::wstring rest = windowsPath.size() >= 2 && windowsPath[1] == L':' ? windowsPath.substr(2) : windowsPath;
    for (wchar_t& c : rest) {
        if (c == L'\\') {
            c = L'/';
        }
    }
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, rest.data(), static_cast<int>(rest.size()), nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, rest.data(), static_cast<int>(rest.size()), narrow.data(), length, nullptr,
                        nullptr);
    return narrow;
}

std::wstring BinFolder() { return WindowsPathOf(MAILVANE_BINARY_DIR "/bin"); }
std::wstring ProgramPath() { return BinFolder() + L"\\Mailvane.exe"; }
std::wstring ComponentPath() { return BinFolder() + L"\\Redemption.dll"; }

std::wstring CorpusFolder() {
    const char* corpus = std::getenv("MAILVANE_CORPUS");
    if (corpus == nullptr || *corpus == '\0') {
        return {};
    }
    const std::wstring folder = WindowsPathOf(corpus);
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return {};
    }
    return folder;
}

std::wstring FreshWorkFolder(const std::wstring& name) {
    const char* root = std::getenv("MAILVANE_E2E_WORK");
    const std::wstring folder =
        WindowsPathOf(root != nullptr && *root != '\0' ? root : MAILVANE_BINARY_DIR "/e2e-work") + L"\\" + name;
    RemoveTree(folder);
    MakeFolders(folder);
    return folder;
}

std::wstring ScreenshotFolder() {
    const std::wstring folder = WindowsPathOf(MAILVANE_BINARY_DIR "/../screenshots");
    MakeFolders(folder);
    return folder;
}

bool MakeFolders(const std::wstring& path) {
    for (size_t i = 3; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == L'\\') {
            CreateDirectoryW(path.substr(0, i).c_str(), nullptr);
        }
    }
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool RemoveTree(const std::wstring& path) {
    WIN32_FIND_DATAW entry;
    const win32::UniqueFindHandle find(FindFirstFileW((path + L"\\*").c_str(), &entry));
    if (find) {
        do {
            const std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..") {
                continue;
            }
            const std::wstring child = path + L"\\" + name;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(child);
            } else {
                SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(child.c_str());
            }
        } while (FindNextFileW(find.Get(), &entry));
    }
    RemoveDirectoryW(path.c_str());
    return GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES;
}

bool CopyInto(const std::wstring& source, const std::wstring& folder, std::wstring* copied) {
    const std::wstring target = Join(folder, LastComponent(source));
    if (copied != nullptr) {
        *copied = target;
    }
    return CopyFileW(source.c_str(), target.c_str(), FALSE) != 0;
}

std::wstring LastComponent(const std::wstring& path) {
    const size_t slash = path.find_last_of(L'\\');
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

std::wstring Join(const std::wstring& folder, const std::wstring& name) { return folder + L"\\" + name; }

}  // namespace mailvane::e2e
