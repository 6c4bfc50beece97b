#pragma once

#include <filesystem>
#include <string>

namespace mailvane::cli {

// Converts one .eml file into one .msg file, written atomically. Refuses
// to write over the input itself and over an existing file that is not a
// compound file. Empty on success, else the reason, for people.
std::string ConvertFile(const std::filesystem::path& input, const std::filesystem::path& output);

// True when the file starts with the compound file signature.
bool IsCompoundFile(const std::filesystem::path& path);

}  // namespace mailvane::cli
