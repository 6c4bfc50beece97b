#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>

#include "engine/cfb/cfb_constants.h"

namespace mailvane::filing {

// How many bytes of a file tell whether it is a compound file, as every
// .msg file is.
inline constexpr std::size_t kCompoundFileSignatureSize = cfb::kSignature.size();

// True when the `size` bytes at `head` start with the whole signature that
// the compound-file writer puts first. A file this says no to is none of
// ours, and is never replaced or removed as a message file.
bool HasCompoundFileSignature(const std::uint8_t* head, std::size_t size) noexcept;

// True when the file at `path` can be read and starts with that signature:
// the test of an existing output that both front ends make before they
// replace it. Opening never waits (for a pipe's writer, say).
bool IsCompoundFile(const std::filesystem::path& path);

}  // namespace mailvane::filing
