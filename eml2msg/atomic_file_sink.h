#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "engine/io/byte_sink.h"

namespace mailvane::cli {

// Writes a file so that readers only ever see the old file or the complete
// new one: the bytes go to a fresh temporary file in the target's folder,
// which Commit puts in place. On Linux, a new name's temporary has no name
// of its own (see unnamed_file_posix.h) and Commit gives it the target's;
// otherwise, and for a file that replaces another, the temporary is named
// and Commit closes it and renames it over the target. Durability on disk is
// the caller's: a batch flushes its file system once at the end. Until Commit
// succeeds the temporary file belongs to this object and is removed by its
// destructor.
//
// Only a regular file is ever replaced, and only with ExistingTarget::Replace.
// With ExistingTarget::Absent the caller knows of nothing at the target (it
// has just looked, or made the target's folder), and the sink does not look
// before it creates the temporary: the name is still taken only if it is
// free when Commit renames.
// A character device or a pipe (FIFO) at the target, also behind a link, is
// written through in place (there is no file to replace, so nothing is
// atomic); a folder, a link to anything else, a socket or a block device is
// refused, and so is a target that changes kind or identity while the
// temporary is written.
class AtomicFileSink final : public ByteSink {
public:
    enum class ExistingTarget { Replace, Keep, Absent };

    explicit AtomicFileSink(std::filesystem::path target, ExistingTarget existing = ExistingTarget::Replace);
    ~AtomicFileSink() override;
    AtomicFileSink(const AtomicFileSink&) = delete;
    AtomicFileSink& operator=(const AtomicFileSink&) = delete;

    bool IsOpen() const { return m_file != -1; }
    bool Write(const std::uint8_t* data, std::size_t size) override;
    // Closes and renames; false (with `error` set) when any step fails.
    bool Commit();
    const std::string& Error() const { return m_error; }
    // True when a file took the target's name while the temporary was
    // written, with ExistingTarget::Keep; that file was left as it is.
    bool TargetAppeared() const { return m_targetAppeared; }
    // The named temporary; empty while the bytes go to an unnamed file.
    const std::filesystem::path& TemporaryPath() const { return m_temporary; }

private:
    void OpenTemporary();
    bool OpenUnnamed();
    bool PublishUnnamed();
    bool NameUnnamed(int file);
    void OpenStream();
    bool Publish();
    bool WriteAll(const std::uint8_t* data, std::size_t size);
    void Fail(const char* step);
    void FailWith(std::string reason);
    std::filesystem::path m_target;
    std::filesystem::path m_temporary;
    // A file descriptor, or a Windows HANDLE; -1 is "none" on both.
    std::intptr_t m_file = -1;
    ExistingTarget m_existing;
    bool m_replacing = false;  // a regular file stood at the target when the sink opened
    bool m_unnamed = false;    // m_file is a file without a name yet
    std::uint64_t m_replacedVolume = 0;
    std::uint64_t m_replacedIndex = 0;
    bool m_targetAppeared = false;
    bool m_failed = false;
    std::string m_error;
};

}  // namespace mailvane::cli
