#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "engine/io/byte_input.h"
#include "filing/file_system.h"

namespace mailvane::cli {

// Why an input that must be a regular file was refused.
inline constexpr char kNotARegularFile[] = "not a readable file";

// A file opened for reading, or the standard input. Owns what it opened
// and closes it when destroyed; the standard input is only borrowed.
class InputFile final : public ByteInput {
public:
    InputFile() = default;
    ~InputFile() override;
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // False, with Error() set, when the file cannot be opened, and with
    // `regularFileOnly` when it is not a regular file; opening such a one
    // then never waits (for a pipe's writer, say).
    bool Open(const std::filesystem::path& path, bool regularFileOnly = false);
    void UseStandardInput();
    bool Read(std::uint8_t* data, std::size_t size, std::size_t& got) override;
    // The size of a regular file; empty for a pipe or a terminal.
    std::optional<std::uint64_t> Size() const;
    // What makes the file open here the file it is, for a regular file
    // (the standard input too, when it is one); empty for anything else.
    std::optional<filing::FileIdentity> Identity() const;
    const std::string& Error() const { return m_error; }

private:
    // A file descriptor, or a Windows HANDLE; -1 is "none" on both.
    std::intptr_t m_handle = -1;
    bool m_owned = false;
    // Where opening the file already learnt its size.
    std::optional<std::uint64_t> m_sizeAtOpen;
    std::string m_error;
};

// The whole file, refused past `limit` bytes, read into the start of
// `buffer`, which only grows: the room a larger file left is used again
// without being cleared first. Empty, with `error` set, when it cannot be
// read.
std::optional<std::span<const std::uint8_t>> ReadWholeFile(const std::filesystem::path& path, std::uint64_t limit,
                                                           std::vector<std::uint8_t>& buffer, std::string& error,
                                                           bool regularFileOnly = false);

}  // namespace mailvane::cli
