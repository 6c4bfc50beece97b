#include "filing/unnamed_file_posix.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace mailvane::filing {

int OpenUnnamedFile(int folder, const char* where) {
#if defined(O_TMPFILE)
    return ::openat(folder, where, O_TMPFILE | O_WRONLY | O_CLOEXEC, 0644);
#else
    (void)folder;
    (void)where;
    errno = EOPNOTSUPP;
    return -1;
#endif
}

bool NameUnnamedFile(int file, int folder, const char* name, Naming naming) {
    if (naming == Naming::EmptyPath) {
        return ::linkat(file, "", folder, name, AT_EMPTY_PATH) == 0;
    }
    char link[32];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", file);
    return ::linkat(AT_FDCWD, link, folder, name, AT_SYMLINK_FOLLOW) == 0;
}

bool UnnamedFilesCanBeNamed() {
#if defined(O_TMPFILE)
    static const bool procMounted = ::access("/proc/self/fd", X_OK) == 0;
    return procMounted;
#else
    return false;
#endif
}

}  // namespace mailvane::filing
