#pragma once

#include <filesystem>

namespace mailvane::cli {

// Removes from `folder` the temporaries that earlier runs left behind
// (named as TemporaryNameFor names them, and leftovers as
// IsLeftoverTemporary decides), so that a run killed while it replaced a
// file leaves nothing for good. Only regular files are removed; a folder
// that cannot be read, or a file that cannot be removed, is left as it is:
// the sweep is tidying, and the run goes on without it.
void SweepLeftoverTemporaries(const std::filesystem::path& folder);

}  // namespace mailvane::cli
