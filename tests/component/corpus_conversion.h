#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace mailvane::component_test {

// The program's own naming: every ".eml" in the name becomes ".msg".
std::wstring OutputName(std::wstring name);

// Converts each of `files` (relative to `corpus`) into `folder` the way the
// program does, through the raw table slots of a session made from the
// ProgID on a thread of its own, and checks every file written with an
// independent reader; `folder` is emptied first and holds exactly one
// message file per source afterwards. On the 32-bit build every slot call
// is made with the stack `stackOffset` bytes off 16-byte alignment
// (ScopedCallStackOffset). Reports failures through GoogleTest.
void ConvertThroughSlots(const std::filesystem::path& corpus, const std::vector<std::string>& files,
                         const std::filesystem::path& folder, unsigned stackOffset = 0);

}  // namespace mailvane::component_test
