#pragma once

#include <filesystem>

namespace mailvane::cli {

// The name of a source folder's output folder, as the program names a
// folder row: its last component ("/mail/Inbox" and "Inbox/" give Inbox;
// "." gives the current folder's name). A root ("/", "C:\") has no name:
// its messages go straight into the output folder.
std::filesystem::path FolderNameOf(const std::filesystem::path& folder);

}  // namespace mailvane::cli
