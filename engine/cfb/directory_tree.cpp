#include "engine/cfb/directory_tree.h"

#include <algorithm>

#include "engine/cfb/directory_name.h"

namespace mailvane::cfb {

namespace {

// Every node is written black. The format's sibling trees are nominally
// red-black, but it states that marking every node black is the simplest
// valid implementation: readers rely only on the search order, never on
// colours. Choosing the middle sibling as each subtree's root keeps the
// tree balanced, so a lookup still takes logarithmic steps. `count` is
// never zero: an empty side is linked without a call, as half the sides
// in a tree are.
EntryId LinkRange(const EntryId* sorted, std::size_t count, DirectoryLinks& links) {
    const std::size_t middle = count / 2;
    const std::size_t after = count - middle - 1;
    const EntryId node = sorted[middle];
    links.left[node] = middle == 0 ? kNoStream : LinkRange(sorted, middle, links);
    links.right[node] = after == 0 ? kNoStream : LinkRange(sorted + middle + 1, after, links);
    return node;
}

// Children mostly come in their order already, runs of properties and of
// recipients or attachments by number, with a few names placed elsewhere:
// each is moved back past the names it must precede, which costs little
// when they are few. Past a bound of such moves, a general sort finishes.
// False when two names are the same.
bool SortNearlySorted(std::vector<EntryId>& ids, const std::vector<DirectoryNode>& nodes) {
    const auto compare = [&](EntryId a, EntryId b) { return CompareDirectoryNames(nodes[a].name, nodes[b].name); };
    std::size_t movesLeft = 4 * ids.size();
    for (std::size_t i = 1; i < ids.size(); ++i) {
        const EntryId moving = ids[i];
        std::size_t at = i;
        for (; at > 0; --at) {
            const int order = compare(ids[at - 1], moving);
            if (order == 0) return false;
            if (order < 0) break;
            if (movesLeft-- == 0) {
                ids[at] = moving;
                std::sort(ids.begin(), ids.end(), [&](EntryId a, EntryId b) { return compare(a, b) < 0; });
                return std::adjacent_find(ids.begin(), ids.end(),
                                          [&](EntryId a, EntryId b) { return compare(a, b) == 0; }) == ids.end();
            }
            ids[at] = ids[at - 1];
        }
        ids[at] = moving;
    }
    return true;
}

}  // namespace

bool BuildDirectoryLinks(const std::vector<DirectoryNode>& nodes, DirectoryLinks& links) {
    links.left.assign(nodes.size(), kNoStream);
    links.right.assign(nodes.size(), kNoStream);
    links.child.assign(nodes.size(), kNoStream);
    std::vector<EntryId> sorted;  // one storage's children at a time, in one allocation
    for (std::size_t id = 0; id < nodes.size(); ++id) {
        if (nodes[id].children.empty()) continue;
        sorted.assign(nodes[id].children.begin(), nodes[id].children.end());
        if (!SortNearlySorted(sorted, nodes)) return false;
        links.child[id] = LinkRange(sorted.data(), sorted.size(), links);
    }
    return true;
}

}  // namespace mailvane::cfb
