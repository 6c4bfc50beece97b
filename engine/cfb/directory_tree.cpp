#include "engine/cfb/directory_tree.h"

#include <algorithm>

#include "engine/cfb/directory_name.h"

namespace mailvane::cfb {

namespace {

// Every node is written black. The format's sibling trees are nominally
// red-black, but it states that marking every node black is the simplest
// valid implementation: readers rely only on the search order, never on
// colours. Choosing the middle sibling as each subtree's root keeps the
// tree balanced, so a lookup still takes logarithmic steps.
EntryId LinkRange(const std::vector<EntryId>& sorted, std::size_t begin, std::size_t end, DirectoryLinks& links) {
    if (begin == end) return kNoStream;
    const std::size_t middle = begin + (end - begin) / 2;
    const EntryId node = sorted[middle];
    links.left[node] = LinkRange(sorted, begin, middle, links);
    links.right[node] = LinkRange(sorted, middle + 1, end, links);
    return node;
}

}  // namespace

bool BuildDirectoryLinks(const std::vector<DirectoryNode>& nodes, DirectoryLinks& links) {
    links.left.assign(nodes.size(), kNoStream);
    links.right.assign(nodes.size(), kNoStream);
    links.child.assign(nodes.size(), kNoStream);
    for (std::size_t id = 0; id < nodes.size(); ++id) {
        if (nodes[id].children.empty()) continue;
        std::vector<EntryId> sorted = nodes[id].children;
        std::sort(sorted.begin(), sorted.end(),
                  [&](EntryId a, EntryId b) { return CompareDirectoryNames(nodes[a].name, nodes[b].name) < 0; });
        for (std::size_t i = 1; i < sorted.size(); ++i) {
            if (CompareDirectoryNames(nodes[sorted[i - 1]].name, nodes[sorted[i]].name) == 0) return false;
        }
        links.child[id] = LinkRange(sorted, 0, sorted.size(), links);
    }
    return true;
}

}  // namespace mailvane::cfb
