#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "eml2msg/job.h"
#include "filing/claims.h"
#include "filing/eml_search.h"
#include "filing/file_system.h"

namespace mailvane::cli {

// The jobs of `eml2msg -r`: for each source folder, in order, its output
// folder `outputFolder/<folder name>` is made (also when the search then
// finds nothing, as the program does) and every file the program's search
// finds gets a job writing `<that folder>/<name with .eml replaced>`,
// numbered past the names the run has already given out. A source that is
// no folder, an output folder that is a symbolic link (or other reparse
// point) or cannot be made, a folder that cannot be searched, each give a
// job that fails with the reason.
//
// Each folder is searched when the run reaches it, so that the workers
// convert the messages of one folder while the next is searched, instead of
// waiting for every folder to be searched first.
class FolderJobs final : public JobSource {
public:
    // `claims` gives out the output names; it must outlive this source.
    FolderJobs(std::vector<std::filesystem::path> sources, std::filesystem::path outputFolder,
               filing::RunClaims& claims);
    // The outputs only name where each message goes (a --pst run's store
    // folders): no output folder is made or swept.
    void NamesOnly() { m_namesOnly = true; }
    bool Next(Job& job) override;
    // Counted in folders, each folder's share by its jobs handed out.
    std::optional<double> HandedOut() const override;

private:
    void SearchNextSource();
    Job JobFor(filing::SearchResult found);

    std::vector<std::filesystem::path> m_sources;
    std::filesystem::path m_outputFolder;
    bool m_namesOnly = false;
    // The run's, which gives out the output names.
    filing::RunClaims& m_claims;
    std::size_t m_searched = 0;  // sources searched so far
    // What the search of the last source found, each made a job only when
    // it is handed out: a worker waiting for its next job then waits for
    // the search, not for the naming of every output as well.
    std::vector<filing::SearchResult> m_found;
    std::filesystem::path m_destination;  // of the last source searched
    bool m_madeDestination = false;       // by this run
    std::size_t m_next = 0;               // into m_found
};

}  // namespace mailvane::cli
