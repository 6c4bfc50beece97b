#include "filing/folder_descriptor_cache_posix.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>

namespace mailvane::filing {

FolderDescriptorCache::~FolderDescriptorCache() { Forget(); }

void FolderDescriptorCache::Forget() {
    if (m_descriptor != -1) ::close(m_descriptor);
    m_descriptor = -1;
    m_folder.clear();
}

const char* FolderDescriptorCache::NameWithinFolder(const std::filesystem::path& path) {
    const std::string& whole = path.native();
    const std::size_t slash = whole.rfind('/');
    return slash == std::string::npos ? whole.c_str() : whole.c_str() + slash + 1;
}

FolderDescriptorCache::Place FolderDescriptorCache::Locate(const std::filesystem::path& path) {
    const std::string& whole = path.native();
    const char* name = NameWithinFolder(path);
    if (name == whole.c_str() || *name == '\0') return {AT_FDCWD, whole.c_str(), false};
    const auto slash = static_cast<std::size_t>(name - whole.c_str()) - 1;
    const std::string_view folder = slash == 0 ? std::string_view("/") : std::string_view(whole).substr(0, slash);
    if (m_descriptor != -1 && folder == m_folder) return {m_descriptor, name, true};
    Forget();
    m_folder.assign(folder);
    // O_PATH: the folder is only named through, as a path's walk names it;
    // neither reading it nor writing it is asked for.
    m_descriptor = ::open(m_folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (m_descriptor == -1) {
        m_folder.clear();
        return {AT_FDCWD, whole.c_str(), false};
    }
    return {m_descriptor, name, false};
}

int FolderDescriptorCache::Open(const std::filesystem::path& path, int flags, unsigned mode) {
    int fd = -1;
    AtPlaceOf(path, [&](const Place& place) {
        fd = ::openat(place.folder, place.name, flags, mode);
        return fd != -1;
    });
    return fd;
}

}  // namespace mailvane::filing
