#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "eml2msg/job_result.h"
#include "eml2msg/json_report.h"
#include "eml2msg/progress_line.h"

namespace mailvane::cli {

// Everything a run tells while and after it converts, from the results
// handed to it in the order of the inputs: one line per failure on the
// error stream (the input, for a message of a mailbox its number and
// offset, and why), one warning line there for each limit a conversion
// applied (what it left out; the input still counts as converted), the progress line when the error stream is a
// terminal, the JSON report's entries, and at the end the summary line.
class RunReport {
public:
    // `json` may be null; it must outlive this report.
    RunReport(bool showProgress, JsonReport* json);
    void Add(const JobResult& result);
    // A problem of the run as a whole (a list that could not be read to its
    // end, a flush that failed): its own line; the run counts as failed.
    void Problem(const std::string& text);
    // `count` inputs counted as converted whose output was lost after
    // (a store that failed with them in it): they count as failed.
    void Lost(std::uint64_t count);
    // Erases the progress line and, for a batch, prints the summary line:
    // "eml2msg: N inputs: C converted, S skipped, F failed in T s"; when some
    // were skipped as deleted in their store, the skips are told apart:
    // "S skipped (E existing, D deleted)".
    void Finish(bool summary);
    // The stores a --pst run wrote, named at the end of the summary line.
    void NameStores(std::vector<std::string> stores) { m_stores = std::move(stores); }

    std::uint64_t Converted() const { return m_converted; }
    std::uint64_t Skipped() const { return m_skipped; }
    // Of those skipped, the messages their owner deleted in their store.
    std::uint64_t SkippedDeleted() const { return m_skippedDeleted; }
    std::uint64_t Failed() const { return m_failed; }
    bool HadProblem() const { return m_problem; }

private:
    // One line "eml2msg: <text>", the names in it escaped.
    void Say(const std::string& text);
    void WarnOfLimits(const JobResult& result);
    // The input of a result as messages name it.
    static std::string Where(const JobResult& result);
    ProgressLine::Clock::time_point m_start;
    std::optional<ProgressLine> m_progress;
    JsonReport* m_json;
    std::uint64_t m_converted = 0;
    std::uint64_t m_skipped = 0;
    std::uint64_t m_skippedDeleted = 0;
    std::uint64_t m_failed = 0;
    bool m_problem = false;
    std::vector<std::string> m_stores;
};

}  // namespace mailvane::cli
