#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "filing/file_system.h"

namespace mailvane::cli {

// The files a run reads (its inputs, its mailbox, its list) and the folder
// trees it searches, taken by file identity rather than by name, so that no
// output of the run (a message file, the report) lands on one of them
// however its path is spelt: through a link, a hard link, ".." or another
// letter case. Filled before the run starts and only read from then on, so
// workers look things up without a lock.
//
// Temporaries need no check: each is a new file (unnamed, or created with
// O_EXCL under a name of this process), never one that is there already.
class ClaimedFiles {
public:
    // Claims the file at `path` when there is one; `shown` names it in messages (UTF-8).
    void ClaimFile(const std::filesystem::path& path, const std::string& shown);
    void ClaimIdentity(const filing::FileIdentity& identity, const std::string& shown);
    // Claims every file the .eml search of `folder` can find: any file named
    // *.eml anywhere below it.
    void ClaimTree(const std::filesystem::path& folder, const std::string& shown);

    // The claimed file that the file of `identity` is, named as claimed; empty when none.
    std::optional<std::string> ClaimantOf(const filing::FileIdentity& identity) const;
    // The claimed file that an output at `output` would replace, by identity
    // or as a file of a claimed tree; empty when nothing claimed is there.
    std::optional<std::string> ClaimantAt(const std::filesystem::path& output) const;

private:
    struct IdentityHash {
        std::size_t operator()(const filing::FileIdentity& identity) const;
    };
    struct Tree {
        filing::FileIdentity identity;
        std::string shown;
    };
    std::unordered_map<filing::FileIdentity, std::string, IdentityHash> m_files;
    std::vector<Tree> m_trees;
};

}  // namespace mailvane::cli
