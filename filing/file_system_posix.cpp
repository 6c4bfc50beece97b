#include <dirent.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iterator>
#include <string_view>
#include <sys/stat.h>

#include "engine/text/ascii_case.h"
#include "filing/file_system.h"

namespace mailvane::filing {
namespace {

bool IsStream(mode_t mode) { return S_ISCHR(mode) || S_ISFIFO(mode); }

bool EndsWithEml(std::string_view name) {
    return name.size() >= 4 && text::EqualsIgnoreCase(name.substr(name.size() - 4), ".eml");
}

class DirectoryHandle {
public:
    explicit DirectoryHandle(DIR* dir) : m_dir(dir) {}
    ~DirectoryHandle() {
        if (m_dir != nullptr) ::closedir(m_dir);
    }
    DirectoryHandle(const DirectoryHandle&) = delete;
    DirectoryHandle& operator=(const DirectoryHandle&) = delete;
    DIR* Get() const { return m_dir; }

private:
    DIR* m_dir;
};

}  // namespace

PathKind KindOf(const std::filesystem::path& path) {
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0) return errno == ENOENT ? PathKind::Missing : PathKind::Unknown;
    if (S_ISREG(status.st_mode)) return PathKind::RegularFile;
    if (S_ISDIR(status.st_mode)) return PathKind::Folder;
    if (IsStream(status.st_mode)) return PathKind::Stream;
    if (S_ISLNK(status.st_mode)) {
        struct stat target {};
        return ::stat(path.c_str(), &target) == 0 && IsStream(target.st_mode) ? PathKind::Stream : PathKind::Link;
    }
    return PathKind::Other;
}

std::string WhyUnknown(const std::filesystem::path& path) {
    struct stat status {};
    if (::lstat(path.c_str(), &status) == 0) return "it changed while it was looked at";
    return std::strerror(errno);
}

bool LeadsToFolder(const std::filesystem::path& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

std::optional<FileIdentity> IdentityOf(const std::filesystem::path& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) return std::nullopt;
    return FileIdentity{static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino)};
}

bool ListEmlEntries(const std::filesystem::path& folder, std::vector<FolderEntry>& entries, std::string& error) {
    const DirectoryHandle dir(::opendir(folder.c_str()));
    if (dir.Get() == nullptr) {
        error = std::string("cannot read the folder: ") + std::strerror(errno);
        return false;
    }
    std::vector<FolderEntry> found;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir.Get());
        if (entry == nullptr) break;
        const std::string_view name = entry->d_name;
        if (name == "." || name == ".." || !EndsWithEml(name)) continue;
        bool isFolder = entry->d_type == DT_DIR;
        if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
            // A link to a folder is searched as the folder, as Windows treats a junction.
            struct stat status {};
            isFolder = ::stat((folder / name).c_str(), &status) == 0 && S_ISDIR(status.st_mode);
        }
        found.push_back(FolderEntry{std::filesystem::path(name), isFolder, entry->d_type == DT_REG});
    }
    if (errno != 0) {
        error = std::string("cannot read the folder: ") + std::strerror(errno);
        return false;
    }
    // The order in which Windows lists a folder (and Wine, for the program):
    // names compared as upper case, then as they are.
    auto upper = [](char c) { return static_cast<unsigned char>(text::AsciiUpper(c)); };
    std::sort(found.begin(), found.end(), [&](const FolderEntry& a, const FolderEntry& b) {
        const std::string& left = a.name.native();
        const std::string& right = b.name.native();
        const auto [l, r] = std::mismatch(left.begin(), left.end(), right.begin(), right.end(),
                                          [&](char x, char y) { return upper(x) == upper(y); });
        if (l != left.end() && r != right.end()) return upper(*l) < upper(*r);
        if (left.size() != right.size()) return left.size() < right.size();
        return left < right;
    });
    entries.insert(entries.end(), std::make_move_iterator(found.begin()), std::make_move_iterator(found.end()));
    return true;
}

bool ListFolder(const std::filesystem::path& folder, std::vector<FolderEntry>& entries, std::string& error) {
    const DirectoryHandle dir(::opendir(folder.c_str()));
    if (dir.Get() == nullptr) {
        error = std::string("cannot read the folder: ") + std::strerror(errno);
        return false;
    }
    std::vector<FolderEntry> found;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir.Get());
        if (entry == nullptr) break;
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..") continue;
        unsigned char type = entry->d_type;
        if (type == DT_UNKNOWN) {
            struct stat status {};
            if (::lstat((folder / name).c_str(), &status) == 0) {
                type = S_ISDIR(status.st_mode) ? DT_DIR : S_ISREG(status.st_mode) ? DT_REG : DT_UNKNOWN;
            }
        }
        found.push_back(FolderEntry{std::filesystem::path(name), type == DT_DIR, type == DT_REG});
    }
    if (errno != 0) {
        error = std::string("cannot read the folder: ") + std::strerror(errno);
        return false;
    }
    std::sort(found.begin(), found.end(),
              [](const FolderEntry& a, const FolderEntry& b) { return a.name.native() < b.name.native(); });
    entries.insert(entries.end(), std::make_move_iterator(found.begin()), std::make_move_iterator(found.end()));
    return true;
}

filing::NameUnits FileNameUnits() { return filing::NameUnits::Utf8Bytes; }

std::string NameKey(const std::filesystem::path& path) { return path.native(); }

bool CreateFolder(const std::filesystem::path& folder, std::string& error, bool* made) {
    if (made != nullptr) *made = false;
    if (::mkdir(folder.c_str(), 0777) == 0) {
        if (made != nullptr) *made = true;
        return true;
    }
    const int failure = errno;
    struct stat status {};
    if (failure == EEXIST && ::stat(folder.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) return true;
    if (failure == EEXIST && ::lstat(folder.c_str(), &status) == 0 && S_ISLNK(status.st_mode)) {
        error = "cannot create the folder " + folder.string() + ": a symbolic link that leads to no folder is there";
    } else if (failure == EEXIST) {
        error = "cannot create the folder " + folder.string() + ": a file that is not a folder is there";
    } else {
        error = "cannot create the folder " + folder.string() + ": " + std::strerror(failure);
    }
    return false;
}

}  // namespace mailvane::filing
