#pragma once

#include <cerrno>
#include <filesystem>
#include <string>

namespace mailvane::filing {

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

    // Runs `call` (taking a Place, returning whether it succeeded) on where
    // `path` lies. When it fails with ENOENT in a kept folder, which may have
    // been replaced at its path since, the folder is opened again by its
    // path and `call` runs once more. Returns the last call's result, with
    // its errno.
    template <typename Call>
    bool AtPlaceOf(const std::filesystem::path& path, Call call) {
        const Place place = Locate(path);
        if (call(place)) return true;
        if (errno != ENOENT || !place.kept) return false;
        Forget();
        return call(Locate(path));
    }

    // open(2) of `path` relative to its folder, through AtPlaceOf.
    int Open(const std::filesystem::path& path, int flags, unsigned mode = 0);

    // The last part of `path`, which names it within its folder.
    static const char* NameWithinFolder(const std::filesystem::path& path);

private:
    std::string m_folder;
    int m_descriptor = -1;
};

}  // namespace mailvane::filing
