#include "eml2msg/folder_descriptor_cache_posix.h"

#include <fcntl.h>
#include <unistd.h>

#include <string_view>

namespace mailvane::cli {

FolderDescriptorCache::~FolderDescriptorCache() { Forget(); }

void FolderDescriptorCache::Forget() {
    if (m_descriptor != -1) ::close(m_descriptor);
    m_descriptor = -1;
    m_folder.clear();
}

FolderDescriptorCache::Place FolderDescriptorCache::Locate(const std::filesystem::path& path) {
    const std::string& whole = path.native();
    const std::size_t slash = whole.rfind('/');
    if (slash == std::string::npos || slash + 1 == whole.size()) return {AT_FDCWD, whole.c_str(), false};
    const std::string_view folder = slash == 0 ? std::string_view("/") : std::string_view(whole).substr(0, slash);
    const char* name = whole.c_str() + slash + 1;
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

}  // namespace mailvane::cli
