#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace mailvane::filing {

// The temporaries that both front ends write a file under before it takes
// its name: ".<name>.<process>-<serial>.tmp" in the target's folder, unique
// in the process by `serial`. The process id lets a later sweep tell a
// leftover of a run that has ended from the file of one still writing.

// The temporary's name for `targetName`, cut (between characters) so that
// the whole stays within the 255 bytes of UTF-8 (Linux, and Windows names
// under Wine) or 255 UTF-16 units (Windows) a name may have, whatever the
// target's length.
std::string TemporaryNameFor(std::string_view targetName, unsigned long processId, unsigned serial);
std::u16string TemporaryNameFor(std::u16string_view targetName, unsigned long processId, unsigned serial);

// The process whose temporary `fileName` is, when it has the form
// TemporaryNameFor gives; empty for any other name.
std::optional<unsigned long> TemporaryOwner(std::string_view fileName);
std::optional<unsigned long> TemporaryOwner(std::u16string_view fileName);

// Whether `fileName` is a temporary of the component's earlier saves,
// "~<name>.tmp" and eight hex digits, which carries no process. Versions
// before the common pattern left these where a save was killed; the sweep
// on Windows still removes them, under the same care as the others.
bool IsEarlierComponentTemporary(std::u16string_view fileName);

// What is known of a temporary found in a folder.
struct FoundTemporary {
    bool ownedByThisProcess = false;
    bool ownerRunning = false;  // a process of its id runs on this machine
    std::chrono::seconds sinceWritten{0};
    // Known to be open nowhere, on this machine or another: on Windows,
    // where every writer holds its temporary open to everyone else until it
    // has its name, a file that can be opened alone is no writer's.
    bool unheld = false;
};

// Whether a temporary is a leftover of a run that ended without removing
// it (killed, or its machine stopped), and may be removed. Never one of
// this process's. One of a process no longer running here, once not
// written for kQuietForLeftover: a run on another machine that shares the
// folder has an id that means nothing here, but the temporary it is
// writing keeps changing. And whatever its id, one not written for
// kQuietForAnyLeftover, since ids are given again to other processes: no
// run takes that long over one file.
//
// One known to be unheld is no writer's: it goes at once when its process
// no longer runs, and also when the id is this process's own, as this
// process holds every temporary it writes and the file is then one of an
// earlier process given the same id (after a restart, or a new Wine
// server). One of another running process waits for kQuietForAnyLeftover.
bool IsLeftoverTemporary(const FoundTemporary& found);
inline constexpr std::chrono::seconds kQuietForLeftover{60};
inline constexpr std::chrono::seconds kQuietForAnyLeftover{24 * 60 * 60};

}  // namespace mailvane::filing
