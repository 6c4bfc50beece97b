#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace mailvane::cli {

// The file of the `number`th store of a run given --pst `first` (from 1):
// the first itself, then OUT-2.pst, OUT-3.pst, ... beside it, the number
// before the extension (or at the end of a name without one).
std::filesystem::path NumberedStore(const std::filesystem::path& first, unsigned number);

// The store's name as Outlook shows it when --pst-name gives none: the
// file's name without ".pst" (in any case), as UTF-8.
std::string StoreNameOf(const std::filesystem::path& store);

// The folders, from the store's top of personal folders down, that hold
// the message -d `root` would write at `output`: the folders between them,
// as UTF-8 names; none for an output right in `root` (a file named on its
// own). Empty, with `outside` set, when `output` is not under `root`.
std::vector<std::string> StoreFolderPath(const std::filesystem::path& root, const std::filesystem::path& output,
                                         bool& outside);

}  // namespace mailvane::cli
