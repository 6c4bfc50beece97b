#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <sys/stat.h>

#include "filing/temporary_name.h"
#include "filing/temporary_sweep.h"

namespace mailvane::filing {
namespace {

bool ProcessRunning(unsigned long id) {
    const auto process = static_cast<pid_t>(id);
    if (process <= 0 || static_cast<unsigned long>(process) != id) return false;
    // EPERM: it runs, as another user.
    return ::kill(process, 0) == 0 || errno == EPERM;
}

}  // namespace

void SweepLeftoverTemporaries(const std::filesystem::path& folder) {
    DIR* const dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (dir == nullptr) return;
    const int at = ::dirfd(dir);
    const unsigned long self = static_cast<unsigned long>(::getpid());
    const std::time_t now = std::time(nullptr);
    while (const dirent* entry = ::readdir(dir)) {
        const std::optional<unsigned long> owner = TemporaryOwner(std::string_view(entry->d_name));
        if (!owner) continue;
        struct stat status {};
        if (::fstatat(at, entry->d_name, &status, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(status.st_mode)) continue;
        FoundTemporary found;
        found.ownedByThisProcess = *owner == self;
        found.ownerRunning = found.ownedByThisProcess || ProcessRunning(*owner);
        found.sinceWritten = std::chrono::seconds(now - status.st_mtime);
        if (IsLeftoverTemporary(found)) ::unlinkat(at, entry->d_name, 0);
    }
    ::closedir(dir);
}

}  // namespace mailvane::filing
