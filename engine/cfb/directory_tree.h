#pragma once

#include <vector>

#include "engine/cfb/compound_file_builder.h"

namespace mailvane::cfb {

// Sibling links of every directory entry: the children of each storage as
// one search tree, and the storage's child link to that tree's root.
struct DirectoryLinks {
    std::vector<EntryId> left;
    std::vector<EntryId> right;
    std::vector<EntryId> child;
};

// Orders each storage's children by CompareDirectoryNames and links them
// as a balanced search tree. Returns false when two siblings have names
// that compare equal, which a compound file forbids.
bool BuildDirectoryLinks(const std::vector<DirectoryNode>& nodes, DirectoryLinks& links);

}  // namespace mailvane::cfb
