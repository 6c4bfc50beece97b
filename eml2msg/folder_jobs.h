#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "eml2msg/file_system.h"
#include "eml2msg/job.h"
#include "eml2msg/output_ledger.h"

namespace mailvane::cli {

// The jobs of `eml2msg -r`: for each source folder, in order, its output
// folder `outputFolder/<folder name>` is made (also when the search then
// finds nothing, as the program does) and every file the program's search
// finds gets a job writing `<that folder>/<name with .eml replaced>`,
// numbered past the names the run has already given out. A source that is
// no folder, a folder that cannot be made or searched, each give a job that
// fails with the reason.
std::vector<Job> PlanFolderJobs(const std::vector<std::filesystem::path>& sources,
                                const std::filesystem::path& outputFolder, OutputLedger& ledger);

}  // namespace mailvane::cli
