#pragma once

#include <string>
#include <vector>

namespace mailvane::cli {

// The exit codes of eml2msg.
inline constexpr int kAllConverted = 0;
inline constexpr int kSomeFailed = 1;
inline constexpr int kUsageError = 2;

// Runs eml2msg with the arguments after the program's name (UTF-8) and
// returns its exit code.
int RunProgram(const std::vector<std::string>& args);

}  // namespace mailvane::cli
