#pragma once

#include <string>
#include <unordered_map>
#include <vector>

namespace mailvane::component {

// The temporaries that killed saves left in the folders a session saves
// into. A folder is listed once, at the session's first save into it, and
// each save then removes its own target's leftovers among those found: a
// whole-folder listing per message would cost time in proportion to the
// folder, and so the square of it over a run. Leftovers that appear after
// the listing wait for a later session.
class LeftoverTemporaries {
public:
    // Removes the leftovers of `target`: only names of our exact pattern,
    // only when empty or holding the start of a message file, and only when
    // no one has them open. Called under the session's save lock.
    void RemoveAbandonedOf(const std::wstring& target);

private:
    std::unordered_map<std::wstring, std::vector<std::wstring>> m_found;  // folder -> temporary names
};

}  // namespace mailvane::component
