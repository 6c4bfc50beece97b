#include "eml2msg/input_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "filing/folder_descriptor_cache_posix.h"

namespace mailvane::cli {

namespace {

// The folder of the last file each thread opened; inputs come folder by folder.
thread_local filing::FolderDescriptorCache inputFolders;

}  // namespace

InputFile::~InputFile() {
    if (m_owned && m_handle >= 0) ::close(static_cast<int>(m_handle));
}

bool InputFile::Open(const std::filesystem::path& path, bool regularFileOnly) {
    // Without waiting, a pipe opens at once, to be refused below; reading a
    // regular file is the same with the flag.
    const int fd = inputFolders.Open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY | (regularFileOnly ? O_NONBLOCK : 0));
    if (fd < 0) {
        m_error = std::string("cannot open: ") + std::strerror(errno);
        return false;
    }
    struct stat status {};
    if (::fstat(fd, &status) == 0) {
        if (S_ISDIR(status.st_mode)) {
            ::close(fd);
            m_error = "is a folder";
            return false;
        }
        if (S_ISREG(status.st_mode)) m_sizeAtOpen = static_cast<std::uint64_t>(status.st_size);
    }
    if (regularFileOnly && !m_sizeAtOpen) {
        ::close(fd);
        m_error = kNotARegularFile;
        return false;
    }
    m_handle = fd;
    m_owned = true;
    return true;
}

void InputFile::UseStandardInput() {
    m_handle = STDIN_FILENO;
    m_owned = false;
}

bool InputFile::Read(std::uint8_t* data, std::size_t size, std::size_t& got) {
    got = 0;
    for (;;) {
        const ssize_t n = ::read(static_cast<int>(m_handle), data, size);
        if (n >= 0) {
            got = static_cast<std::size_t>(n);
            return true;
        }
        if (errno == EINTR) continue;
        m_error = std::string("cannot read: ") + std::strerror(errno);
        return false;
    }
}

std::optional<std::uint64_t> InputFile::Size() const {
    if (m_sizeAtOpen) return m_sizeAtOpen;
    struct stat status {};
    if (::fstat(static_cast<int>(m_handle), &status) != 0 || !S_ISREG(status.st_mode)) return std::nullopt;
    return static_cast<std::uint64_t>(status.st_size);
}

std::optional<filing::FileIdentity> InputFile::Identity() const {
    struct stat status {};
    if (m_handle == -1 || ::fstat(static_cast<int>(m_handle), &status) != 0 || !S_ISREG(status.st_mode)) {
        return std::nullopt;
    }
    return filing::FileIdentity{static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino)};
}

}  // namespace mailvane::cli
