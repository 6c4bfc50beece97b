#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace mailvane::component {

// The names of the files in the folders a session saves into, compared as
// Windows compares file names, without regard to case: those a folder held
// when it was first asked about, and those added since. It answers without
// a look at the folder, so it does not see a file that another program puts
// there meanwhile. Each name is kept as a hash, about forty bytes a name in
// all: some forty megabytes for a run of a million messages.
class FolderNames {
public:
    // Whether `folder` holds `name` in any case; the folder (a path ending
    // in a separator) is listed the first time. A folder that cannot be
    // listed is taken to hold every name, and a name whose hash another name
    // shares is taken to be held too.
    bool Holds(const std::wstring& folder, std::wstring_view name);
    // Notes that `folder` holds `name` now.
    void Add(const std::wstring& folder, std::wstring_view name);

private:
    struct Listing {
        bool complete = false;
        std::unordered_set<std::uint64_t> names;  // hashes of the names in upper case
    };
    Listing& ListingOf(const std::wstring& folder);

    std::unordered_map<std::wstring, Listing> m_folders;
};

}  // namespace mailvane::component
