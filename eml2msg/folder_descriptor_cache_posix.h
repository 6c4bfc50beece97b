#pragma once

#include <filesystem>
#include <string>

namespace mailvane::cli {

// Opening, creating or renaming a file by its whole path makes the kernel
// walk every folder of the path each time. Files come folder by folder, so
// this keeps the last folder asked for open and names each file relative
// to it: one walk per folder instead of one per file.
//
// A folder kept open is the one that was at its path when it was opened: one
// moved elsewhere meanwhile is followed there. Open, finding a file missing
// relative to a kept folder, tries the whole path again, so that a folder
// removed and made again at its path is found again.
class FolderDescriptorCache {
public:
    FolderDescriptorCache() = default;
    ~FolderDescriptorCache();
    FolderDescriptorCache(const FolderDescriptorCache&) = delete;
    FolderDescriptorCache& operator=(const FolderDescriptorCache&) = delete;

    // A file as the *at() calls take it. `name` points into the path given.
    struct Place {
        int folder;        // a descriptor, or AT_FDCWD with the whole path as the name
        const char* name;  // the name within `folder`
        bool kept;         // the folder was opened for an earlier file
    };

    // Where `path` lies: its folder, opened or kept from the last call, and
    // its name. When the folder cannot be opened, the whole path, from the
    // current folder, as a plain call would take it.
    Place Locate(const std::filesystem::path& path);
    Place Locate(std::filesystem::path&&) = delete;  // the name would outlive it
    void Forget();

    // open(2) of `path` relative to its folder; when a kept folder no longer
    // holds the file, by the path again after Forget().
    int Open(const std::filesystem::path& path, int flags, unsigned mode = 0);

    // The last part of `path`, which names it within its folder.
    static const char* NameWithinFolder(const std::filesystem::path& path);

private:
    std::string m_folder;
    int m_descriptor = -1;
};

}  // namespace mailvane::cli
