#include "eml2msg/folder_jobs.h"

#include "filing/folder_name.h"
#include "filing/folder_tree.h"
#include "filing/output_naming.h"
#include "filing/temporary_sweep.h"
#include "filing/utf8_path.h"

namespace mailvane::cli {
namespace {

Job Failing(const std::filesystem::path& input, std::string problem) {
    Job job;
    job.input = filing::Utf8FromPath(input);
    job.problem = std::move(problem);
    return job;
}

}  // namespace

FolderJobs::FolderJobs(std::vector<std::filesystem::path> sources, std::filesystem::path outputFolder,
                       filing::RunClaims& claims)
    : m_sources(std::move(sources)), m_outputFolder(std::move(outputFolder)), m_claims(claims) {}

bool FolderJobs::Next(Job& job) {
    while (m_next == m_found.size()) {
        if (m_searched == m_sources.size()) return false;
        SearchNextSource();
    }
    job = JobFor(std::move(m_found[m_next++]));
    return true;
}

std::optional<double> FolderJobs::HandedOut() const {
    if (m_sources.empty()) return 1.0;
    const double inFolder = m_found.empty() ? 1.0 : static_cast<double>(m_next) / static_cast<double>(m_found.size());
    const double folders = m_searched == 0 ? 0.0 : static_cast<double>(m_searched - 1) + inFolder;
    return folders / static_cast<double>(m_sources.size());
}

void FolderJobs::SearchNextSource() {
    const std::filesystem::path& source = m_sources[m_searched++];
    m_found.clear();
    m_next = 0;
    m_madeDestination = false;
    if (!filing::LeadsToFolder(source)) {
        m_found.push_back(filing::SearchResult{source, "not a folder"});
        return;
    }
    const std::filesystem::path name = filing::FolderNameOf(source);
    m_destination = name.empty() ? m_outputFolder : m_outputFolder / name;
    // A link there would take the outputs out of the output folder, to
    // wherever it leads (perhaps the sources themselves).
    if (filing::KindOf(m_destination) == filing::PathKind::Link) {
        m_found.push_back(filing::SearchResult{source, "the output folder " + filing::Utf8FromPath(m_destination) +
                                                           " is a symbolic link; not written through"});
        return;
    }
    std::string error;
    if (!m_namesOnly && !filing::EnsureFolderTree(m_destination, error, &m_madeDestination)) {
        m_found.push_back(filing::SearchResult{source, error});
        return;
    }
    if (!m_namesOnly && !m_madeDestination) filing::SweepLeftoverTemporaries(m_destination);
    m_found = filing::CollectEmlFiles(source);
}

Job FolderJobs::JobFor(filing::SearchResult found) {
    if (!found.problem.empty()) return Failing(found.path, std::move(found.problem));
    Job job;
    job.input = filing::Utf8FromPath(found.path);
    job.output = m_claims.ClaimName(m_destination, filing::OutputFileName(filing::Utf8FromPath(found.path.filename())));
    job.known = KnownFiles{found.listedAsFile, m_madeDestination};
    job.source = std::move(found.path);
    return job;
}

}  // namespace mailvane::cli
