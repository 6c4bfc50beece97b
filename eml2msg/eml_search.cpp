#include "eml2msg/eml_search.h"

#include <algorithm>
#include <optional>

#include "filing/file_system.h"

namespace mailvane::cli {
namespace {

void Search(const std::filesystem::path& folder, std::vector<filing::FileIdentity>& open,
            std::vector<SearchResult>& results) {
    const std::optional<filing::FileIdentity> identity = filing::IdentityOf(folder);
    if (identity) {
        if (std::find(open.begin(), open.end(), *identity) != open.end()) return;
        open.push_back(*identity);
    }
    std::vector<filing::FolderEntry> entries;
    std::string error;
    if (!filing::ListEmlEntries(folder, entries, error)) {
        results.push_back(SearchResult{folder, error});
    }
    results.reserve(results.size() + entries.size());
    for (const filing::FolderEntry& entry : entries) {
        if (entry.isFolder) {
            Search(folder / entry.name, open, results);
        } else {
            results.push_back(SearchResult{folder / entry.name, {}, entry.isFile});
        }
    }
    if (identity) open.pop_back();
}

}  // namespace

std::vector<SearchResult> CollectEmlFiles(const std::filesystem::path& folder) {
    std::vector<filing::FileIdentity> open;
    std::vector<SearchResult> results;
    Search(folder, open, results);
    return results;
}

}  // namespace mailvane::cli
