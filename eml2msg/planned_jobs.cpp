#include "eml2msg/planned_jobs.h"

namespace mailvane::cli {

bool PlannedJobs::Next(Job& job) {
    if (m_next == m_jobs.size()) return false;
    job = std::move(m_jobs[m_next++]);
    return true;
}

std::optional<double> PlannedJobs::HandedOut() const {
    return m_jobs.empty() ? 1.0 : static_cast<double>(m_next) / static_cast<double>(m_jobs.size());
}

}  // namespace mailvane::cli
