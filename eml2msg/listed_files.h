#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "eml2msg/job.h"
#include "filing/claims.h"
#include "filing/name_list.h"

namespace mailvane::cli {

// The jobs of `eml2msg -d OUT FILE...` and of a --files-from list: the
// names of the command line first, then those of the list as it is read.
// Each input writes `OUT/<its name with .eml replaced>`, numbered past the
// names the run has already given out.
class ListedFiles final : public JobSource {
public:
    // `list` may be null; when not, it must outlive this source, as `claims`,
    // which gives out the output names, must.
    ListedFiles(std::vector<std::string> names, filing::NameList* list, std::filesystem::path outputFolder,
                filing::RunClaims& claims);
    bool Next(Job& job) override;
    std::optional<double> HandedOut() const override;
    std::string Error() const override;

private:
    std::vector<std::string> m_names;
    std::size_t m_next = 0;
    filing::NameList* m_list;
    std::filesystem::path m_outputFolder;
    // The run's, which gives out the output names.
    filing::RunClaims& m_claims;
};

}  // namespace mailvane::cli
