#include <windows.h>

#include <algorithm>
#include <iterator>
#include <vector>

#include "filing/file_system.h"
#include "filing/handle_identity_win32.h"
#include "filing/long_path_win32.h"
#include "filing/utf8_path.h"
#include "win32/unique_handle.h"

namespace mailvane::filing {

PathKind KindOf(const std::filesystem::path& path) {
    const std::wstring name = LongPathOf(path);
    if (name.starts_with(L"\\\\.\\")) return PathKind::Stream;
    const DWORD attributes = GetFileAttributesW(name.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? PathKind::Missing : PathKind::Unknown;
    }
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return PathKind::Link;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return PathKind::Folder;
    if ((attributes & FILE_ATTRIBUTE_DEVICE) != 0) return PathKind::Other;
    return PathKind::RegularFile;
}

std::string WhyUnknown(const std::filesystem::path& path) {
    if (GetFileAttributesW(LongPathOf(path).c_str()) != INVALID_FILE_ATTRIBUTES)
        return "it changed while it was looked at";
    return LastErrorText();
}

bool LeadsToFolder(const std::filesystem::path& path) {
    const DWORD attributes = GetFileAttributesW(LongPathOf(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::optional<FileIdentity> IdentityOf(const std::filesystem::path& path) {
    // Attributes only, sharing everything: asking must never disturb a
    // writer or reader that holds the file.
    const win32::UniqueFileHandle file(CreateFileW(LongPathOf(path).c_str(), FILE_READ_ATTRIBUTES,
                                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                   OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file) return std::nullopt;
    return IdentityOfHandle(file.Get());
}

bool ListEmlEntries(const std::filesystem::path& folder, std::vector<FolderEntry>& entries, std::string& error) {
    WIN32_FIND_DATAW found{};
    const win32::UniqueFindHandle search(FindFirstFileW((LongPathOf(folder) + L"\\*.eml").c_str(), &found));
    if (!search) {
        if (GetLastError() == ERROR_FILE_NOT_FOUND) return true;
        error = "cannot read the folder: " + LastErrorText();
        return false;
    }
    do {
        const std::wstring_view name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        constexpr DWORD kNoFile = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE;
        entries.push_back(FolderEntry{std::filesystem::path(name),
                                      (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
                                      (found.dwFileAttributes & kNoFile) == 0});
    } while (FindNextFileW(search.Get(), &found));
    if (GetLastError() != ERROR_NO_MORE_FILES) {
        error = "cannot read the folder: " + LastErrorText();
        return false;
    }
    return true;
}

bool ListFolder(const std::filesystem::path& folder, std::vector<FolderEntry>& entries, std::string& error) {
    WIN32_FIND_DATAW found{};
    const win32::UniqueFindHandle search(FindFirstFileW((LongPathOf(folder) + L"\\*").c_str(), &found));
    if (!search) {
        error = "cannot read the folder: " + LastErrorText();
        return false;
    }
    std::vector<FolderEntry> listed;
    do {
        const std::wstring_view name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        const DWORD attributes = found.dwFileAttributes;
        const bool link = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        const bool folderEntry = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        listed.push_back(FolderEntry{std::filesystem::path(name), folderEntry && !link,
                                     !folderEntry && !link && (attributes & FILE_ATTRIBUTE_DEVICE) == 0});
    } while (FindNextFileW(search.Get(), &found));
    if (GetLastError() != ERROR_NO_MORE_FILES) {
        error = "cannot read the folder: " + LastErrorText();
        return false;
    }
    std::sort(listed.begin(), listed.end(),
              [](const FolderEntry& a, const FolderEntry& b) { return a.name.native() < b.name.native(); });
    entries.insert(entries.end(), std::make_move_iterator(listed.begin()), std::make_move_iterator(listed.end()));
    return true;
}

filing::NameUnits FileNameUnits() { return filing::NameUnits::Utf16Units; }

std::string NameKey(const std::filesystem::path& path) {
    std::wstring name = path.wstring();
    if (!name.empty()) CharUpperBuffW(name.data(), static_cast<DWORD>(name.size()));
    return Utf8FromPath(std::filesystem::path(name));
}

bool CreateFolder(const std::filesystem::path& folder, std::string& error, bool* made) {
    if (made != nullptr) *made = false;
    const std::wstring name = LongPathOf(folder);
    if (CreateDirectoryW(name.c_str(), nullptr)) {
        if (made != nullptr) *made = true;
        return true;
    }
    std::string reason = LastErrorText();
    const DWORD attributes = GetFileAttributesW(name.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return true;
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        reason = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ? "a link that leads to no folder is there"
                                                                  : "a file that is not a folder is there";
    }
    error = "cannot create the folder " + Utf8FromPath(folder) + ": " + reason;
    return false;
}

}  // namespace mailvane::filing
