#pragma once

#include <cstddef>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "filing/file_identity.h"

namespace mailvane::filing {

// What one run of eml2msg, or one session of the component, has taken for
// itself, so that none of its outputs lands on something else of it:
//
// - the output names it has given out, per folder: a second output of one
//   name in a run takes "name (2).msg", "name (3).msg", ..., so that no
//   input of a run overwrites another's output and the names do not depend
//   on how many workers convert. Names compare as the platform's names do
//   (without letter case on Windows);
// - the files it reads (its inputs, its mailbox, its list) and the folder
//   trees it searches, by identity rather than by name, so that no output
//   replaces one of them however its path is spelt: through a link, a hard
//   link, ".." or another letter case;
// - the files it has written, by identity: a later output of the same run
//   or session never replaces one of them (DecideExistingOutput numbers
//   past it), while a new run starts empty and replaces an earlier run's.
//
// Safe to use from several threads at once: eml2msg's workers look up
// claims while its job source claims names, and the component's messages
// record their saves (under the session's save lock, which spans choosing
// a path, writing and recording: that one makes two saves agree on a free
// name; this one only keeps the ledger whole).
//
// Temporaries need no claim: each is a new file (unnamed, or created
// exclusively under a name of this process), never one that is there.
class RunClaims {
public:
    RunClaims() = default;
    RunClaims(const RunClaims&) = delete;
    RunClaims& operator=(const RunClaims&) = delete;

    // The path of an output named `fileName` (UTF-8) in `folder`: the name
    // itself the first time, numbered by filing::NumberedFileName after.
    // A name that is no UTF-8 (possible only on Windows) is taken in the
    // system's code page, numbered ones too.
    std::filesystem::path ClaimName(const std::filesystem::path& folder, const std::string& fileName);

    // Claims the file at `path` when there is one; `shown` names it in messages (UTF-8).
    void ClaimInput(const std::filesystem::path& path, const std::string& shown);
    void ClaimInput(const FileIdentity& identity, const std::string& shown);
    // Claims every file the .eml search of `folder` can find: any file named
    // *.eml anywhere below it.
    void ClaimTree(const std::filesystem::path& folder, const std::string& shown);

    // The claimed input that the file of `identity` is, named as claimed; empty when none.
    std::optional<std::string> InputOf(const FileIdentity& identity) const;
    // The claimed input that an output at `output` would replace, by
    // identity or as a file of a claimed tree; empty when nothing claimed is there.
    std::optional<std::string> InputAt(const std::filesystem::path& output) const;

    // Records a file this run or session has written.
    void RecordOutput(const FileIdentity& identity);
    bool WroteOutput(const FileIdentity& identity) const;

private:
    struct IdentityHash {
        std::size_t operator()(const FileIdentity& identity) const;
    };
    struct Tree {
        FileIdentity identity;
        std::string shown;
    };
    // The names given out in one folder.
    struct FolderNames {
        std::unordered_set<std::string> taken;
        // The next number to try for a name, so that many outputs of one
        // name do not each walk every number before theirs.
        std::unordered_map<std::string, unsigned> nextNumber;
    };

    FolderNames& NamesIn(const std::filesystem::path& folder);
    std::optional<std::string> InputOfLocked(const FileIdentity& identity) const;

    mutable std::mutex m_lock;
    // By folder: a run's outputs go to a few folders, one after another,
    // and each folder's names are looked up among that folder's alone.
    std::unordered_map<std::string, FolderNames> m_names;
    // The folder of the last name claimed, as it was given, and its names.
    std::filesystem::path::string_type m_lastFolder;
    FolderNames* m_lastNames = nullptr;
    std::unordered_map<FileIdentity, std::string, IdentityHash> m_inputs;
    std::vector<Tree> m_trees;
    std::unordered_set<FileIdentity, IdentityHash> m_outputs;
};

}  // namespace mailvane::filing
