#include "engine/cli/atomic_file_sink.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace mailvane::cli {

AtomicFileSink::AtomicFileSink(std::filesystem::path target) : target_(std::move(target)) {
    buffer_.reserve(kBufferSize);
    std::filesystem::path folder = target_.parent_path();
    if (folder.empty()) folder = ".";
    // O_EXCL with a pid-and-counter name: never an existing file, never another run's.
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
        std::string name = "." + target_.filename().string() + "." + std::to_string(getpid()) + "-" +
                           std::to_string(counter++) + ".tmp";
        temporary_ = folder / name;
        fd_ = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd_ < 0 && errno != EEXIST) break;
    }
    if (fd_ < 0) {
        Fail("cannot create a temporary file");
        temporary_.clear();
    }
}

AtomicFileSink::~AtomicFileSink() {
    if (fd_ >= 0) ::close(fd_);
    if (!temporary_.empty()) ::unlink(temporary_.c_str());
}

void AtomicFileSink::Fail(const char* step) {
    if (!failed_) {
        error_ = std::string(step) + ": " + std::strerror(errno);
    }
    failed_ = true;
}

bool AtomicFileSink::Write(const std::uint8_t* data, std::size_t size) {
    if (failed_ || fd_ < 0) return false;
    // The writer hands over many small pieces (property entries, directory
    // records); gather them so the file costs a few system calls, not one
    // per piece. Large pieces go straight through.
    if (buffer_.size() + size <= kBufferSize) {
        buffer_.insert(buffer_.end(), data, data + size);
        return true;
    }
    if (!FlushBuffer()) return false;
    if (size < kBufferSize) {
        buffer_.insert(buffer_.end(), data, data + size);
        return true;
    }
    return WriteAll(data, size);
}

bool AtomicFileSink::FlushBuffer() {
    bool ok = WriteAll(buffer_.data(), buffer_.size());
    buffer_.clear();
    return ok;
}

bool AtomicFileSink::WriteAll(const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        ssize_t written = ::write(fd_, data, size);
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
    if (failed_ || fd_ < 0 || !FlushBuffer()) return false;
    int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) {
        Fail("cannot close");
        return false;
    }
    if (std::rename(temporary_.c_str(), target_.c_str()) != 0) {
        Fail("cannot rename the temporary file");
        return false;
    }
    temporary_.clear();
    return true;
}

}  // namespace mailvane::cli
