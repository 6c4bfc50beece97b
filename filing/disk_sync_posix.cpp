#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "filing/disk_sync.h"

namespace mailvane::filing {

bool SyncFileSystemOf(const std::filesystem::path& folder, std::string& error) {
    int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        error = std::string("cannot open the output folder to flush it: ") + std::strerror(errno);
        return false;
    }
    bool ok = ::syncfs(fd) == 0;
    if (!ok) error = std::string("cannot flush the output to disk: ") + std::strerror(errno);
    ::close(fd);
    return ok;
}

}  // namespace mailvane::filing
