#include "conversion/eml_file_search.h"

#include <filesystem>
#include <string>

namespace mailvane::conversion {

using framework::CString;
using framework::CStringArray;

namespace {

void AppendFound(const CString& folder, CStringArray& files, const mailvane::filing::SearchOptions& options) {
    if (folder.IsEmpty()) return;
    const std::filesystem::path root(std::wstring(folder.GetString(), static_cast<std::size_t>(folder.GetLength())));
    for (const mailvane::filing::SearchResult& found : mailvane::filing::CollectEmlFiles(root, options)) {
        if (found.problem.empty()) files.Add(CString(found.path.c_str()));
    }
}

}  // namespace

void CollectEmlFiles(const CString& folder, CStringArray& files, const mailvane::filing::SearchOptions& options) {
    if (options.failure == mailvane::filing::SearchFailure::Propagate) {
        AppendFound(folder, files, options);
        return;
    }
    try {
        AppendFound(folder, files, options);
    } catch (...) {
        // The paths appended so far stay; the run goes on with its next row.
    }
}

}  // namespace mailvane::conversion
