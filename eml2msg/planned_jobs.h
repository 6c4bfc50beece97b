#pragma once

#include <vector>

#include "eml2msg/job.h"

namespace mailvane::cli {

// Jobs known in full before the run starts: a single file, or every file a
// folder search found.
class PlannedJobs final : public JobSource {
public:
    explicit PlannedJobs(std::vector<Job> jobs) : m_jobs(std::move(jobs)) {}
    bool Next(Job& job) override;
    std::optional<double> HandedOut() const override;

private:
    std::vector<Job> m_jobs;
    std::size_t m_next = 0;
};

}  // namespace mailvane::cli
