#pragma once

#include <filesystem>
#include <string>

namespace mailvane::filing {

// The form of `path` that the Win32 file calls take at any length: absolute,
// normalised ("." and ".." resolved, "/" turned into "\") and marked with
// "\\?\" (or "\\?\UNC\" for a share). A name is never turned into a device
// because of how it is spelled ("out\nul.msg" stays a file), except the bare
// device names a user types as a whole path (NUL, CON, COM1, ...) and paths
// already written as "\\.\" or "\\?\".
std::wstring LongPathOf(const std::filesystem::path& path);

// The text of the last Win32 error, for people.
std::string LastErrorText();

}  // namespace mailvane::filing
