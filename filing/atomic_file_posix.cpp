#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

#include "filing/atomic_file.h"
#include "filing/folder_descriptor_cache_posix.h"
#include "filing/temporary_name.h"
#include "filing/unnamed_file_posix.h"
#include "filing/utf8_path.h"

namespace mailvane::filing {

namespace {

std::atomic<unsigned> temporarySerial{0};

// The folder of the last output each thread wrote; outputs come folder by
// folder. A file names its temporary relative to the folder kept when it
// creates it and again when it renames it: the same folder, unless files of
// another folder came between on the same thread, when the folder is opened
// again by its path.
thread_local FolderDescriptorCache outputFolders;

int Descriptor(std::intptr_t file) { return static_cast<int>(file); }

// Set once naming an unnamed file with AT_EMPTY_PATH was refused for want of
// a privilege (Linux before 6.10): the other way is taken from then on.
std::atomic<bool> emptyPathRefused{false};

// Asked once: neither front end forks, and the call is a system call each time.
unsigned long ProcessId() {
    static const auto id = static_cast<unsigned long>(getpid());
    return id;
}

}  // namespace

AtomicFile::AtomicFile(std::filesystem::path target, ExistingTarget existing)
    : AtomicFile(std::move(target), Options{existing, {}}) {}

AtomicFile::AtomicFile(std::filesystem::path target, Options options)
    : m_target(std::move(target)), m_options(std::move(options)) {
    if (m_options.existing == ExistingTarget::Absent) {
        OpenTemporary();
        return;
    }
    struct stat seen {};
    if (::lstat(m_target.c_str(), &seen) != 0) {
        if (errno != ENOENT) {
            Fail("cannot look at the output");
            return;
        }
        OpenTemporary();
        return;
    }
    if (S_ISREG(seen.st_mode)) {
        if (m_options.existing == ExistingTarget::Keep) {
            m_targetAppeared = true;
            FailWith("the output " + Utf8FromPath(m_target) + " exists");
            return;
        }
        m_replacing = true;
        m_replacedVolume = seen.st_dev;
        m_replacedIndex = seen.st_ino;
        OpenTemporary();
        return;
    }
    struct stat followed {};
    const bool stream =
        ::stat(m_target.c_str(), &followed) == 0 && (S_ISCHR(followed.st_mode) || S_ISFIFO(followed.st_mode));
    if (stream) {
        OpenStream();
    } else if (S_ISLNK(seen.st_mode)) {
        FailWith(Utf8FromPath(m_target) + " is a symbolic link; not replaced");
    } else {
        FailWith(Utf8FromPath(m_target) + " is not a regular file; not replaced");
    }
}

AtomicFile::~AtomicFile() {
    if (m_file != -1) ::close(Descriptor(m_file));
    if (!m_temporary.empty()) {
        const FolderDescriptorCache::Place temporary = outputFolders.Locate(m_temporary);
        ::unlinkat(temporary.folder, temporary.name, 0);
    }
}

std::filesystem::path AtomicFile::TemporaryFolder() const {
    if (!m_options.temporaryFolder.empty()) return m_options.temporaryFolder;
    return m_target.has_parent_path() ? m_target.parent_path() : std::filesystem::path(".");
}

void AtomicFile::OpenTemporary() {
    // An unnamed file is made in the target's folder as its path names it.
    if (!m_replacing && m_options.temporaryFolder.empty() && OpenUnnamed()) return;
    const std::filesystem::path folder = TemporaryFolder();
    // O_EXCL with a pid-and-serial name: never an existing file, never another run's.
    for (int attempt = 0; attempt < 100 && m_file == -1; ++attempt) {
        m_temporary = folder / TemporaryNameFor(m_target.filename().native(), ProcessId(), temporarySerial++);
        m_file = outputFolders.Open(m_temporary, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (m_file == -1 && errno != EEXIST) break;
    }
    if (m_file == -1) {
        Fail("cannot create a temporary file for");
        m_temporary.clear();
    }
}

// An unnamed file in the target's folder, where the system and the folder's
// file system have them; false, with nothing open, otherwise.
bool AtomicFile::OpenUnnamed() {
    if (!UnnamedFilesCanBeNamed()) return false;
    // "." within the folder, or the folder's path when it was not opened.
    const std::string folder = m_target.has_parent_path() ? m_target.parent_path().string() : ".";
    int file = -1;
    outputFolders.AtPlaceOf(m_target, [&](const FolderDescriptorCache::Place& place) {
        file = OpenUnnamedFile(place.folder, place.folder == AT_FDCWD ? folder.c_str() : ".");
        return file != -1;
    });
    if (file == -1) return false;
    m_file = file;
    m_unnamed = true;
    return true;
}

void AtomicFile::OpenStream() {
    m_file = ::open(m_target.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (m_file == -1) {
        Fail("cannot open the output");
        return;
    }
    struct stat opened {};
    if (::fstat(Descriptor(m_file), &opened) != 0 || !(S_ISCHR(opened.st_mode) || S_ISFIFO(opened.st_mode))) {
        ::close(Descriptor(m_file));
        m_file = -1;
        FailWith(Utf8FromPath(m_target) + " changed while it was opened; not written");
        return;
    }
    m_stream = true;
}

void AtomicFile::Fail(const char* step) {
    const int error = errno;
    if (!m_failed) m_error = std::string(step) + " " + Utf8FromPath(m_target) + ": " + std::strerror(error);
    m_systemError = static_cast<std::uint32_t>(error);
    m_failed = true;
}

const std::uint32_t AtomicFile::kTargetExists = EEXIST;

bool AtomicFile::Write(const std::uint8_t* data, std::size_t size) {
    if (m_failed || m_file == -1) return false;
    while (size > 0) {
        ssize_t written = ::write(Descriptor(m_file), data, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            Fail("cannot write");
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
        m_size += static_cast<std::uint64_t>(written);
    }
    return true;
}

bool AtomicFile::Rewrite(std::uint64_t offset, const std::uint8_t* data, std::size_t size) {
    if (!MayRewrite(offset, size)) return false;
    while (size > 0) {
        const ssize_t written = ::pwrite(Descriptor(m_file), data, size, static_cast<off_t>(offset));
        if (written < 0) {
            if (errno == EINTR) continue;
            Fail("cannot write again");
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
        offset += static_cast<std::uint64_t>(written);
    }
    return true;
}

// Durability is the batch's, with one flush of the file system at its end.
bool AtomicFile::Finish() {
    if (m_failed || (m_file == -1 && m_temporary.empty())) return false;
    m_finished = true;
    return true;
}

bool AtomicFile::Commit() {
    if (m_failed || m_file == -1) return false;
    if (m_stream) {
        const int fd = Descriptor(m_file);
        m_file = -1;
        if (::close(fd) != 0) {
            Fail("cannot close");
            return false;
        }
        return true;
    }
    if (!Finish()) return false;
    if (m_replacing && !StillTheReplacedFile()) return false;
    return Place(m_replacing);
}

bool AtomicFile::MoveTo(const std::filesystem::path& target, bool replace) {
    if (m_failed || m_stream || !m_finished || (m_file == -1 && m_temporary.empty())) {
        m_systemError = EBADF;
        return false;
    }
    m_target = target;
    return Place(replace);
}

// A replaced file must still be the regular file seen when this opened.
bool AtomicFile::StillTheReplacedFile() {
    struct stat now {};
    if (::lstat(m_target.c_str(), &now) != 0 || !S_ISREG(now.st_mode) || now.st_dev != m_replacedVolume ||
        now.st_ino != m_replacedIndex) {
        FailWith(Utf8FromPath(m_target) + " changed while it was written; not replaced");
        return false;
    }
    return true;
}

// Puts the temporary in place at m_target; a new name is never taken from a
// file that appeared meanwhile.
bool AtomicFile::Place(bool replace) {
    m_targetAppeared = false;
    if (m_unnamed) {
        if (!replace) return PlaceUnnamed();
        // Linking never replaces: the file takes a temporary name first.
        if (!NameTheUnnamed()) return false;
    }
    if (m_file != -1) {
        const int fd = Descriptor(m_file);
        m_file = -1;
        if (::close(fd) != 0) {
            Fail("cannot close");
            return false;
        }
    }
    if (!PlaceNamed(replace)) return false;
    m_temporary.clear();
    return true;
}

bool AtomicFile::PlaceNamed(bool replace) {
    if (replace) {
        if (std::rename(m_temporary.c_str(), m_target.c_str()) != 0) {
            Fail("cannot rename the temporary file to");
            return false;
        }
        return true;
    }
    // The temporary lies in the target's folder, and the folder it was
    // created in is still the one kept.
    const FolderDescriptorCache::Place temporary = outputFolders.Locate(m_temporary);
    if (::renameat2(temporary.folder, temporary.name, temporary.folder,
                    temporary.folder == AT_FDCWD ? m_target.c_str() : FolderDescriptorCache::NameWithinFolder(m_target),
                    RENAME_NOREPLACE) == 0) {
        return true;
    }
    if (errno == EEXIST) {
        Appeared();
        return false;
    }
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) {
        Fail("cannot rename the temporary file to");
        return false;
    }
    // A file system without the no-replace rename: a hard link fails on an
    // existing name just as well.
    if (::link(m_temporary.c_str(), m_target.c_str()) == 0) {
        ::unlink(m_temporary.c_str());
        return true;
    }
    if (errno == EEXIST) {
        Appeared();
        return false;
    }
    // Nor hard links (FAT): look, then rename; the window between the two is the file system's.
    struct stat now {};
    if (::lstat(m_target.c_str(), &now) == 0) {
        Appeared();
        return false;
    }
    if (std::rename(m_temporary.c_str(), m_target.c_str()) != 0) {
        Fail("cannot rename the temporary file to");
        return false;
    }
    return true;
}

// Names the unnamed file as the target, never taking the name from a file
// that appeared meanwhile, then closes it. When the name is taken the file
// stays open and unnamed, for another try.
bool AtomicFile::PlaceUnnamed() {
    const int file = Descriptor(m_file);
    struct stat written {};
    const bool known = ::fstat(file, &written) == 0;
    if (!NameUnnamed(file, m_target)) {
        if (errno == EEXIST) {
            Appeared();
        } else {
            Fail("cannot name the output");
        }
        return false;
    }
    m_file = -1;
    m_unnamed = false;
    if (::close(file) != 0) {
        const int closingError = errno;
        // Its last writes may not have reached the file: the name it was
        // given goes again, if it is still this file's.
        struct stat now {};
        if (known && ::lstat(m_target.c_str(), &now) == 0 && now.st_dev == written.st_dev &&
            now.st_ino == written.st_ino) {
            ::unlink(m_target.c_str());
        }
        errno = closingError;
        Fail("cannot close");
        return false;
    }
    return true;
}

// Gives the unnamed file a temporary's name, so that it can be renamed over
// a file; it is a named temporary from then on.
bool AtomicFile::NameTheUnnamed() {
    const std::filesystem::path folder = TemporaryFolder();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::filesystem::path temporary =
            folder / TemporaryNameFor(m_target.filename().native(), ProcessId(), temporarySerial++);
        if (NameUnnamed(Descriptor(m_file), temporary)) {
            m_temporary = temporary;
            m_unnamed = false;
            return true;
        }
        if (errno != EEXIST) break;
    }
    Fail("cannot name a temporary file for");
    return false;
}

bool AtomicFile::NameUnnamed(int file, const std::filesystem::path& name) {
    return outputFolders.AtPlaceOf(name, [&](const FolderDescriptorCache::Place& place) {
        const bool emptyPath = !emptyPathRefused.load(std::memory_order_relaxed);
        if (emptyPath) {
            if (NameUnnamedFile(file, place.folder, place.name, Naming::EmptyPath)) return true;
            if (errno != ENOENT) return false;
        }
        if (!NameUnnamedFile(file, place.folder, place.name, Naming::ProcLink)) return false;
        // The same folder and name that AT_EMPTY_PATH did not find.
        if (emptyPath) emptyPathRefused.store(true, std::memory_order_relaxed);
        return true;
    });
}

}  // namespace mailvane::filing
