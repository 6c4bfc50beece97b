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

std::vector<Job> PlanFolderJobs(const std::vector<std::filesystem::path>& sources,
                                const std::filesystem::path& outputFolder, OutputLedger& ledger) {
    std::vector<Job> jobs;
    for (const std::filesystem::path& source : sources) {
        if (!LeadsToFolder(source)) {
            jobs.push_back(Failing(source, "not a folder"));
            continue;
        }
        const std::filesystem::path name = FolderNameOf(source);
        const std::filesystem::path destination = name.empty() ? outputFolder : outputFolder / name;
        std::string error;
        if (!EnsureFolderTree(destination, error)) {
            jobs.push_back(Failing(source, error));
            continue;
        }
        for (SearchResult& found : CollectEmlFiles(source)) {
            if (!found.problem.empty()) {
                jobs.push_back(Failing(found.path, found.problem));
                continue;
            }
            Job job;
            job.input = Utf8FromPath(found.path);
            job.output = ledger.Claim(destination, OutputFileName(Utf8FromPath(found.path.filename())));
            job.source = std::move(found.path);
            jobs.push_back(std::move(job));
        }
    }
    return jobs;
}

}  // namespace mailvane::cli
