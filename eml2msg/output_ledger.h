#pragma once

#include <filesystem>
#include <string>
#include <unordered_map>
#include <unordered_set>

namespace mailvane::cli {

// The output paths one run has given out. An input whose output name was
// given out before in the same run takes "name (2).msg", "name (3).msg",
// ... instead, as the program's saves do within one session, so no input
// of a run overwrites another's output and the names do not depend on how
// many workers convert. Names are compared as the platform compares them
// (without letter case on Windows).
class OutputLedger {
public:
    std::filesystem::path Claim(const std::filesystem::path& folder, const std::string& fileName);

private:
    // The names given out in one folder.
    struct FolderNames {
        std::unordered_set<std::string> taken;
        // The next number to try for a name, so that many inputs of one
        // name do not each walk every number before theirs.
        std::unordered_map<std::string, unsigned> nextNumber;
    };

    FolderNames& NamesIn(const std::filesystem::path& folder);

    // By folder: a run's outputs go to a few folders, one after another,
    // and each folder's names are looked up among that folder's alone.
    std::unordered_map<std::string, FolderNames> m_folders;
    // The folder of the last claim, as it was given, and its names.
    std::filesystem::path::string_type m_lastFolder;
    FolderNames* m_lastNames = nullptr;
};

}  // namespace mailvane::cli
