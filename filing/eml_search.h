#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace mailvane::filing {

// One result of a folder search: a file found, or a folder that could not
// be searched (with the reason).
struct SearchResult {
    std::filesystem::path path;
    std::string problem;
    bool listedAsFile = false;  // its folder listed it as a regular file
};

// What a search does when a folder level fails with an exception (memory
// running out while it lists or records).
enum class SearchFailure {
    Propagate,           // the exception reaches the caller (eml2msg, the main dialog)
    StopThatFolderOnly,  // the conversion run's: that level stops, what it found stays, the rest goes on
};

struct SearchOptions {
    // Enter the folders whose own names match; without it only the folder's
    // own files are taken.
    bool recurse = true;
    SearchFailure failure = SearchFailure::Propagate;
};

// The search of a source folder that the program and eml2msg -r share:
// every entry that matches "*.eml" (file_system.h says how each platform
// matches) and is not a folder, depth first, in the order the folder lists
// them; hidden and system files are taken like any other. A folder entry
// whose own name matches "*.eml" is searched the same way where it is met,
// other folders are neither entered nor counted. A found path is the
// folder joined with the entry's name. A folder that cannot be read adds a
// problem and the search goes on with the rest, keeping what it found
// (the program leaves problems aside: such a folder gives nothing). A
// folder reached again through a link or junction below itself is not
// searched twice.
std::vector<SearchResult> CollectEmlFiles(const std::filesystem::path& folder, const SearchOptions& options = {});

}  // namespace mailvane::filing
