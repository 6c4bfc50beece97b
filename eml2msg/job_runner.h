#pragma once

#include <functional>

#include "eml2msg/file_conversion.h"
#include "eml2msg/job.h"
#include "eml2msg/run_report.h"

namespace mailvane::cli {

// Enough for the workers to go on past a message many times the size of
// those around it, few enough to bound a run's memory by its largest ones.
inline constexpr unsigned kHeldPerWorker = 16;

struct RunSettings {
    unsigned workers = 1;
    ExistingOutput existing = ExistingOutput::Skip;
    ConversionOptions conversion;
    const filing::RunClaims* claims = nullptr;  // what the run reads, never replaced by an output
    // Each message is converted into JobResult::message instead of being
    // written to its output, which then only names the place it maps to.
    // At most kHeldPerWorker × workers converted messages are held at a
    // time: a worker past that waits for the results before it.
    bool inMemory = false;
    // Called with each result in the order of the source, before the
    // report has it: where a store takes the messages, and may fail one.
    std::function<void(JobResult&)> inOrder;
};

// Converts every job of `source` with `settings.workers` threads (the
// calling thread alone for one) and hands each result to `report` in the
// order of the source, one at a time, whatever order the workers finish
// in: the outputs, their names and everything reported are the same for
// any number of workers. A worker holds one job at a time, so a mailbox's
// messages are in memory at most one per worker plus the one being read.
// Ends with the source's error, if it stopped early, given to `report`.
void RunJobs(JobSource& source, const RunSettings& settings, RunReport& report);

}  // namespace mailvane::cli
