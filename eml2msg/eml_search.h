#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace mailvane::cli {

// One result of a folder search: a file found, or a folder that could not
// be searched (with the reason).
struct SearchResult {
    std::filesystem::path path;
    std::string problem;
    bool listedAsFile = false;  // its folder listed it as a regular file
};

// The program's search of a source folder: every entry that matches
// "*.eml" (file_system.h says how each platform matches) and is not a
// folder, depth first; a folder entry whose own name matches "*.eml" is
// searched the same way where it is met, other folders are neither entered
// nor counted. A folder that cannot be read adds a problem and the search
// goes on with the rest, keeping what it found. A folder reached again
// through a link below itself is not searched twice.
std::vector<SearchResult> CollectEmlFiles(const std::filesystem::path& folder);

}  // namespace mailvane::cli
