#include "filing/eml_search.h"

#include <algorithm>
#include <exception>
#include <optional>

#include "filing/file_system.h"

namespace mailvane::filing {
namespace {

class Search {
public:
    Search(const SearchOptions& options, std::vector<SearchResult>& results) : m_options(options), m_results(results) {}

    void Level(const std::filesystem::path& folder) {
        if (m_options.failure == SearchFailure::Propagate) {
            Folder(folder);
            return;
        }
        const std::size_t open = m_open.size();
        try {
            Folder(folder);
        } catch (const std::exception&) {
            // The paths recorded so far stay; the enclosing level goes on.
            m_open.resize(open);
        }
    }

private:
    void Folder(const std::filesystem::path& folder) {
        // The folders being searched, outermost first: a link or junction
        // below one of them that leads back up is not followed again.
        const std::optional<FileIdentity> identity = IdentityOf(folder);
        if (identity) {
            if (std::find(m_open.begin(), m_open.end(), *identity) != m_open.end()) return;
            m_open.push_back(*identity);
        }
        std::vector<FolderEntry> entries;
        std::string error;
        if (!ListEmlEntries(folder, entries, error)) m_results.push_back(SearchResult{folder, error});
        m_results.reserve(m_results.size() + entries.size());
        for (const FolderEntry& entry : entries) {
            if (!entry.isFolder) {
                m_results.push_back(SearchResult{folder / entry.name, {}, entry.isFile});
            } else if (m_options.recurse) {
                Level(folder / entry.name);
            }
        }
        if (identity) m_open.pop_back();
    }

    const SearchOptions& m_options;
    std::vector<SearchResult>& m_results;
    std::vector<FileIdentity> m_open;
};

}  // namespace

std::vector<SearchResult> CollectEmlFiles(const std::filesystem::path& folder, const SearchOptions& options) {
    std::vector<SearchResult> results;
    Search(options, results).Level(folder);
    return results;
}

}  // namespace mailvane::filing
