#pragma once

#include <filesystem>
#include <string>

#include "engine/io/byte_sink.h"

namespace mailvane::cli {

// Writes a file so that readers only ever see the old file or the complete
// new one: the bytes go to a fresh temporary file in the target's folder,
// which Commit closes and renames over the target. Durability on disk is
// the caller's: a batch flushes its file system once at the end. Until Commit
// succeeds the temporary file belongs to this object and is removed by its
// destructor.
class AtomicFileSink final : public ByteSink {
public:
    explicit AtomicFileSink(std::filesystem::path target);
    ~AtomicFileSink() override;
    AtomicFileSink(const AtomicFileSink&) = delete;
    AtomicFileSink& operator=(const AtomicFileSink&) = delete;

    bool IsOpen() const { return m_fd >= 0; }
    bool Write(const std::uint8_t* data, std::size_t size) override;
    // Closes and renames; false (with `error` set) when any step fails.
    bool Commit();
    const std::string& Error() const { return m_error; }
    const std::filesystem::path& TemporaryPath() const { return m_temporary; }

private:
    bool WriteAll(const std::uint8_t* data, std::size_t size);
    void Fail(const char* step);
    std::filesystem::path m_target;
    std::filesystem::path m_temporary;
    int m_fd = -1;
    bool m_failed = false;
    std::string m_error;
};

}  // namespace mailvane::cli
