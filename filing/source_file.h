#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "filing/file_identity.h"

namespace mailvane::filing {

// The largest source either front end converts: the message is held in
// memory with its parsed parts, and beyond this a source is refused before
// any memory is taken for it rather than risking the machine's memory (the
// message file it would give could not be written anyway).
inline constexpr std::uint64_t kLargestSource = std::uint64_t{1} << 30;

// The room a front end keeps from one source to the next. A source larger
// than this, which few are, is handed to the conversion whole, whose large
// bodies it then reads again while the file is written instead of holding
// them decoded; its buffer is not kept. Equal to the engine's default
// ConversionOptions::streamBodiesFrom, the size from which a body is read
// again, so that exactly the sources with such bodies are handed over: each
// front end checks the two agree where it sees both.
inline constexpr std::size_t kKeptSourceRoom = std::size_t{4} << 20;

// Why a source that must be a regular file was refused.
inline constexpr char kNotARegularFile[] = "not a readable file";

// A file opened for reading, or the standard input. Owns what it opened
// and closes it when destroyed; the standard input is only borrowed.
class SourceFile {
public:
    SourceFile() = default;
    ~SourceFile();
    SourceFile(const SourceFile&) = delete;
    SourceFile& operator=(const SourceFile&) = delete;

    // How a front end opens a file on POSIX instead of by its whole path
    // (eml2msg: relative to the folder of the last input, which follows a
    // folder moved during a run): open(2)'s result, errno set on failure.
    // Windows opens by the path.
    using PosixOpen = int (*)(const std::filesystem::path& path, int flags);

    // False, with Error() set, when the file cannot be opened, and with
    // `regularFileOnly` when it is not a regular file; opening such a one
    // then never waits (for a pipe's writer, say).
    bool Open(const std::filesystem::path& path, bool regularFileOnly = false, PosixOpen open = nullptr);
    void UseStandardInput();
    // Puts up to `size` bytes at `data` and sets `got`; 0 bytes means the
    // end. False, with Error() set, when reading failed.
    bool Read(std::uint8_t* data, std::size_t size, std::size_t& got);
    // The size of a regular file; empty for a pipe or a terminal.
    std::optional<std::uint64_t> Size() const;
    // What makes the file open here the file it is, for a regular file
    // (the standard input too, when it is one); empty for anything else.
    std::optional<FileIdentity> Identity() const;
    // A file descriptor, or a Windows HANDLE; -1 when none is open.
    std::intptr_t NativeHandle() const { return m_handle; }

    // For people (UTF-8): why the last call failed.
    const std::string& Error() const { return m_error; }
    // The system's code for it (errno, or a Win32 error code); 0 when the
    // failure was no system call's (a folder, a file too large).
    unsigned long SystemError() const { return m_systemError; }
    // Whether ReadWholeFile refused the file for its size.
    bool TooLarge() const { return m_tooLarge; }

private:
    friend std::optional<std::span<const std::uint8_t>> ReadWholeFile(SourceFile& file, std::uint64_t limit,
                                                                      std::vector<std::uint8_t>& buffer);
    void Fail(std::string what);

    std::intptr_t m_handle = -1;
    bool m_owned = false;
    // Where opening the file already learnt its size.
    std::optional<std::uint64_t> m_sizeAtOpen;
    std::string m_error;
    unsigned long m_systemError = 0;
    bool m_tooLarge = false;
};

// The rest of the open `file`, refused past `limit` bytes, read into the
// start of `buffer`, which only grows: the room a larger file left is used
// again without being cleared first. Empty, with the file's Error() set,
// when it cannot be read.
std::optional<std::span<const std::uint8_t>> ReadWholeFile(SourceFile& file, std::uint64_t limit,
                                                           std::vector<std::uint8_t>& buffer);

// The same for the file at `path`, opened first; `error` says why not.
std::optional<std::span<const std::uint8_t>> ReadWholeFile(const std::filesystem::path& path, std::uint64_t limit,
                                                           std::vector<std::uint8_t>& buffer, std::string& error,
                                                           bool regularFileOnly = false,
                                                           SourceFile::PosixOpen open = nullptr);

}  // namespace mailvane::filing
