#pragma once

#include <string>
#include <vector>

#include "eml2msg/job.h"

namespace mailvane::cli {

// Jobs known in full before the run starts: a single file, or every job of
// a source read to its end first. `error` is why that source stopped early,
// given as this source's Error.
class PlannedJobs final : public JobSource {
public:
    explicit PlannedJobs(std::vector<Job> jobs, std::string error = {})
        : m_jobs(std::move(jobs)), m_error(std::move(error)) {}
    bool Next(Job& job) override;
    std::optional<double> HandedOut() const override;
    std::string Error() const override { return m_error; }
    const std::vector<Job>& Jobs() const { return m_jobs; }

private:
    std::vector<Job> m_jobs;
    std::string m_error;
    std::size_t m_next = 0;
};

}  // namespace mailvane::cli
