#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>

namespace mailvane::filing {

// How many bytes of a file tell whether it is an Outlook data file: the
// header's dwMagic, "!BDN", which every .pst and .ost starts with.
inline constexpr std::size_t kOutlookDataFileSignatureSize = 4;

// True when the `size` bytes at `head` start with that magic. A file this
// says no to is no store, and is never replaced as one.
bool HasOutlookDataFileSignature(const std::uint8_t* head, std::size_t size) noexcept;

// True when the file at `path` is a regular file that can be read and
// starts with the magic: the test of an existing store before a run with
// --overwrite replaces it. Opening never waits (for a pipe's writer, say).
bool IsOutlookDataFile(const std::filesystem::path& path);

}  // namespace mailvane::filing
