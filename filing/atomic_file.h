#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "engine/io/byte_sink.h"

namespace mailvane::filing {

// A file written so that readers only ever see the old file or the complete
// new one, as both front ends save: the bytes go to a fresh temporary in the
// target's folder (named by TemporaryNameFor), which Commit or MoveTo puts
// in place in one step. Until it is in place the temporary belongs to this
// object and is removed by its destructor.
//
// On Linux, a new name's temporary has no name of its own (see
// unnamed_file_posix.h) and is given the target's; otherwise, and for a
// file that replaces another, the temporary is named, closed and renamed.
// Durability there is the caller's: a batch flushes its file system once at
// the end (disk_sync.h). On Windows the temporary is held open, to no one
// else, from its creation until it has the target's name: Finish flushes it
// to the disk and it is renamed through its own handle, so there is never a
// moment when another program could open, move or remove it.
//
// Only a regular file is ever replaced, and by Commit only with
// ExistingTarget::Replace. With ExistingTarget::Absent the caller knows of
// nothing at the target (it has just looked, or made the target's folder,
// or will choose again when the name is taken), and nothing is looked at
// before the temporary is created: the name is still taken only if it is
// free when the temporary moves. A character device or a pipe (FIFO, or a
// Windows device path) at the target, also behind a link, is written
// through in place (there is no file to replace, so nothing is atomic); a
// folder, a link to anything else, a socket or a block device is refused,
// and so is a target that changes kind or identity while the temporary is
// written.
class AtomicFile final : public ByteSink {
public:
    enum class ExistingTarget { Replace, Keep, Absent };

    struct Options {
        ExistingTarget existing = ExistingTarget::Replace;
        // The folder the temporary is made in when not the target's
        // parent: the same folder, spelt as the caller wants new names
        // spelt there.
        std::filesystem::path temporaryFolder;
    };

    explicit AtomicFile(std::filesystem::path target, ExistingTarget existing = ExistingTarget::Replace);
    AtomicFile(std::filesystem::path target, Options options);
    ~AtomicFile() override;
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    bool IsOpen() const { return m_file != -1; }
    bool Write(const std::uint8_t* data, std::size_t size) override;
    // Writes `size` bytes again from `offset`, over bytes written before,
    // for a format that knows some of its first bytes only at its end (an
    // Outlook data file's header); the next Write still goes to the end.
    // False for bytes past the end, and for a target written through in
    // place: a pipe or a device has no earlier bytes to go back to.
    bool Rewrite(std::uint64_t offset, const std::uint8_t* data, std::size_t size);
    // Makes what was written durable where the front ends want each file
    // durable before it takes its name (Windows); nothing elsewhere.
    bool Finish();
    // Finishes, checks the target against what the constructor saw, and
    // puts the file in place at the target; false (with Error set) when any
    // step fails.
    bool Commit();
    // Puts the finished file in place at `target`, in the temporary's
    // folder, replacing a file there only with `replace`, without the
    // checks Commit makes. When a file has the name already and `replace`
    // is not given, false with TargetAppeared(): that file keeps its place,
    // and the temporary stays for another MoveTo.
    bool MoveTo(const std::filesystem::path& target, bool replace);

    const std::string& Error() const { return m_error; }
    // The system's code (errno, or a Win32 error) for the step that failed
    // last; 0 when a rule refused, not the system.
    std::uint32_t SystemError() const { return m_systemError; }
    // True when a file took the target's name while the temporary was
    // written, with ExistingTarget::Keep or Absent or a MoveTo without
    // replacing; that file was left as it is.
    bool TargetAppeared() const { return m_targetAppeared; }
    // The named temporary; empty while the bytes go to an unnamed file.
    const std::filesystem::path& TemporaryPath() const { return m_temporary; }
    // The open file: a descriptor, or a Windows HANDLE; -1 when none.
    std::intptr_t NativeHandle() const { return m_file; }

private:
    // The system's code for a name already taken (EEXIST, ERROR_ALREADY_EXISTS).
    static const std::uint32_t kTargetExists;

    std::filesystem::path TemporaryFolder() const;
    void OpenTemporary();
    void OpenStream();
    bool StillTheReplacedFile();
    bool Place(bool replace);
    void Appeared();
    void Fail(const char* step);
    void FailWith(std::string reason);
    // Whether a Rewrite of these bytes may go to the file; fails it when not.
    bool MayRewrite(std::uint64_t offset, std::size_t size);
    // Linux's unnamed files.
    bool OpenUnnamed();
    bool PlaceUnnamed();
    bool PlaceNamed(bool replace);
    bool NameTheUnnamed();
    static bool NameUnnamed(int file, const std::filesystem::path& name);

    std::filesystem::path m_target;
    Options m_options;
    std::filesystem::path m_temporary;
    // A file descriptor, or a Windows HANDLE; -1 is "none" on both.
    std::intptr_t m_file = -1;
    bool m_replacing = false;  // a regular file stood at the target when the file opened
    bool m_unnamed = false;    // m_file is a file without a name yet
    bool m_stream = false;     // m_file is the target itself, written through
    bool m_finished = false;
    std::uint64_t m_size = 0;  // bytes written so far
    std::uint64_t m_replacedVolume = 0;
    std::uint64_t m_replacedIndex = 0;
    bool m_targetAppeared = false;
    bool m_failed = false;
    std::uint32_t m_systemError = 0;
    std::string m_error;
};

}  // namespace mailvane::filing
