#pragma once

#include <filesystem>
#include <string>
#include <unordered_set>

namespace mailvane::filing {

// Removes from `folder` the temporaries that earlier runs of either front
// end left behind (named as TemporaryNameFor names them, and leftovers as
// IsLeftoverTemporary decides), so that a save or a run killed while it
// wrote a file leaves nothing for good. Only regular files are removed. On
// Windows a file is removed only when no one has it open (a writer holds
// its temporary open to everyone else until it has its name) and only when
// it is empty or starts as a message file does; there the component's
// earlier temporaries (IsEarlierComponentTemporary) are removed under the
// same care. A folder that cannot be read, or a file that cannot be
// removed, is left as it is: the sweep is tidying, and the save goes on
// without it. The folder is listed once.
void SweepLeftoverTemporaries(const std::filesystem::path& folder);

// The folders a session or a run has swept: each is listed once, at the
// first file written into it, not once per file, which would cost time in
// proportion to the folder and so the square of it over a run. Leftovers
// that appear after the listing wait for a later session. Not thread-safe:
// the component calls it under its save lock.
class TemporarySweep {
public:
    void SweepOnce(const std::filesystem::path& folder);

private:
    std::unordered_set<std::string> m_swept;  // by NameKey
};

}  // namespace mailvane::filing
