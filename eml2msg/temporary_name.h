#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace mailvane::cli {

// The name of the temporary file that becomes `targetName` (UTF-8), unique
// in this process by `serial`: ".<name>.<process>-<serial>.tmp", with the
// name cut (between characters) so that the whole stays within the file
// systems' 255-byte name limit whatever the target's length.
std::string TemporaryNameFor(const std::string& targetName, unsigned long processId, unsigned serial);

// The process whose temporary `fileName` is, when it has the form
// TemporaryNameFor gives; empty for any other name.
std::optional<unsigned long> TemporaryOwner(std::string_view fileName);

// What is known of a temporary found in a folder.
struct FoundTemporary {
    bool ownedByThisProcess = false;
    bool ownerRunning = false;  // a process of its id runs on this machine
    std::chrono::seconds sinceWritten{0};
};

// Whether a temporary is a leftover of a run that ended without removing
// it (killed, or its machine stopped), and may be removed. Never one of
// this process's. One of a process no longer running here, once not
// written for kQuietForLeftover: a run on another machine that shares the
// folder has an id that means nothing here, but the temporary it is
// writing keeps changing. And whatever its id, one not written for
// kQuietForAnyLeftover, since ids are given again to other processes: no
// run takes that long over one file.
bool IsLeftoverTemporary(const FoundTemporary& found);
inline constexpr std::chrono::seconds kQuietForLeftover{60};
inline constexpr std::chrono::seconds kQuietForAnyLeftover{24 * 60 * 60};

}  // namespace mailvane::cli
