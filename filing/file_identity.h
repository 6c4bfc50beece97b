#pragma once

#include <cstdint>

namespace mailvane::filing {

// What makes a file or folder the same one however its path is spelled
// (case, short names, "..", links): its volume (a device on POSIX, a
// volume serial number on Windows) and its index there.
struct FileIdentity {
    std::uint64_t volume = 0;
    std::uint64_t index = 0;
    bool operator==(const FileIdentity&) const = default;
};

}  // namespace mailvane::filing
