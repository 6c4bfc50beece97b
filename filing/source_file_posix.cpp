#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

#include "filing/source_file.h"

namespace mailvane::filing {

SourceFile::~SourceFile() {
    if (m_owned && m_handle >= 0) ::close(static_cast<int>(m_handle));
}

void SourceFile::Fail(std::string what) {
    const int code = errno;
    m_systemError = static_cast<unsigned long>(code);
    m_error = std::move(what) + ": " + std::strerror(code);
}

bool SourceFile::Open(const std::filesystem::path& path, bool regularFileOnly, PosixOpen open) {
    // Without waiting, a pipe opens at once, to be refused below; reading a
    // regular file is the same with the flag.
    const int flags = O_RDONLY | O_CLOEXEC | O_NOCTTY | (regularFileOnly ? O_NONBLOCK : 0);
    const int fd = open != nullptr ? open(path, flags) : ::open(path.c_str(), flags);
    if (fd < 0) {
        Fail("cannot open");
        return false;
    }
    struct stat status {};
    if (::fstat(fd, &status) == 0) {
        if (S_ISDIR(status.st_mode)) {
            ::close(fd);
            m_error = "is a folder";
            m_systemError = 0;
            return false;
        }
        if (S_ISREG(status.st_mode)) m_sizeAtOpen = static_cast<std::uint64_t>(status.st_size);
    }
    if (regularFileOnly && !m_sizeAtOpen) {
        ::close(fd);
        m_error = kNotARegularFile;
        m_systemError = 0;
        return false;
    }
    m_handle = fd;
    m_owned = true;
    return true;
}

void SourceFile::UseStandardInput() {
    m_handle = STDIN_FILENO;
    m_owned = false;
}

bool SourceFile::Read(std::uint8_t* data, std::size_t size, std::size_t& got) {
    got = 0;
    for (;;) {
        const ssize_t n = ::read(static_cast<int>(m_handle), data, size);
        if (n >= 0) {
            got = static_cast<std::size_t>(n);
            return true;
        }
        if (errno == EINTR) continue;
        Fail("cannot read");
        return false;
    }
}

std::optional<std::uint64_t> SourceFile::Size() const {
    if (m_sizeAtOpen) return m_sizeAtOpen;
    struct stat status {};
    if (::fstat(static_cast<int>(m_handle), &status) != 0 || !S_ISREG(status.st_mode)) return std::nullopt;
    return static_cast<std::uint64_t>(status.st_size);
}

std::optional<FileIdentity> SourceFile::Identity() const {
    struct stat status {};
    if (m_handle == -1 || ::fstat(static_cast<int>(m_handle), &status) != 0 || !S_ISREG(status.st_mode)) {
        return std::nullopt;
    }
    return FileIdentity{static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino)};
}

}  // namespace mailvane::filing
