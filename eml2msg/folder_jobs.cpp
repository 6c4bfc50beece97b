#include "eml2msg/folder_jobs.h"

#include "eml2msg/eml_search.h"
#include "eml2msg/folder_name.h"
#include "eml2msg/folder_tree.h"
#include "eml2msg/output_naming.h"
#include "eml2msg/utf8_path.h"

namespace mailvane::cli {
namespace {

Job Failing(const std::filesystem::path& input, std::string problem) {
    Job job;
    job.input = Utf8FromPath(input);
    job.problem = std::move(problem);
    return job;
}

}  // namespace

FolderJobs::FolderJobs(std::vector<std::filesystem::path> sources, std::filesystem::path outputFolder)
    : m_sources(std::move(sources)), m_outputFolder(std::move(outputFolder)) {}

bool FolderJobs::Next(Job& job) {
    while (m_next == m_jobs.size()) {
        if (m_planned == m_sources.size()) return false;
        PlanNextFolder();
    }
    job = std::move(m_jobs[m_next++]);
    return true;
}

std::optional<double> FolderJobs::HandedOut() const {
    if (m_sources.empty()) return 1.0;
    const double inFolder = m_jobs.empty() ? 1.0 : static_cast<double>(m_next) / static_cast<double>(m_jobs.size());
    const double folders = m_planned == 0 ? 0.0 : static_cast<double>(m_planned - 1) + inFolder;
    return folders / static_cast<double>(m_sources.size());
}

void FolderJobs::PlanNextFolder() {
    const std::filesystem::path& source = m_sources[m_planned++];
    m_jobs.clear();
    m_next = 0;
    if (!LeadsToFolder(source)) {
        m_jobs.push_back(Failing(source, "not a folder"));
        return;
    }
    const std::filesystem::path name = FolderNameOf(source);
    const std::filesystem::path destination = name.empty() ? m_outputFolder : m_outputFolder / name;
    std::string error;
    bool madeDestination = false;
    if (!EnsureFolderTree(destination, error, &madeDestination)) {
        m_jobs.push_back(Failing(source, error));
        return;
    }
    for (SearchResult& found : CollectEmlFiles(source)) {
        if (!found.problem.empty()) {
            m_jobs.push_back(Failing(found.path, found.problem));
            continue;
        }
        Job job;
        job.input = Utf8FromPath(found.path);
        job.output = m_ledger.Claim(destination, OutputFileName(Utf8FromPath(found.path.filename())));
        job.known = KnownFiles{found.listedAsFile, madeDestination};
        job.source = std::move(found.path);
        m_jobs.push_back(std::move(job));
    }
}

}  // namespace mailvane::cli
