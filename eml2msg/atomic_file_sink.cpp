#include "eml2msg/atomic_file_sink.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace mailvane::cli {

AtomicFileSink::AtomicFileSink(std::filesystem::path target) : m_target(std::move(target)) {
    std::filesystem::path folder = m_target.parent_path();
    if (folder.empty()) folder = ".";
    // O_EXCL with a pid-and-counter name: never an existing file, never another run's.
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 100 && m_fd < 0; ++attempt) {
        std::string name = "." + m_target.filename().string() + "." + std::to_string(getpid()) + "-" +
                           std::to_string(counter++) + ".tmp";
        m_temporary = folder / name;
        m_fd = ::open(m_temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (m_fd < 0 && errno != EEXIST) break;
    }
    if (m_fd < 0) {
        Fail("cannot create a temporary file");
        m_temporary.clear();
    }
}

AtomicFileSink::~AtomicFileSink() {
    if (m_fd >= 0) ::close(m_fd);
    if (!m_temporary.empty()) ::unlink(m_temporary.c_str());
}

void AtomicFileSink::Fail(const char* step) {
    if (!m_failed) {
        m_error = std::string(step) + ": " + std::strerror(errno);
    }
    m_failed = true;
}

bool AtomicFileSink::Write(const std::uint8_t* data, std::size_t size) {
    if (m_failed || m_fd < 0) return false;
    return WriteAll(data, size);
}

bool AtomicFileSink::WriteAll(const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        ssize_t written = ::write(m_fd, data, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            Fail("cannot write");
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

bool AtomicFileSink::Commit() {
    if (m_failed || m_fd < 0) return false;
    int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0) {
        Fail("cannot close");
        return false;
    }
    if (std::rename(m_temporary.c_str(), m_target.c_str()) != 0) {
        Fail("cannot rename the temporary file");
        return false;
    }
    m_temporary.clear();
    return true;
}

}  // namespace mailvane::cli
