#include "eml2msg/job_runner.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <map>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

#include "filing/utf8_path.h"

namespace mailvane::cli {
namespace {

ConversionOutcome Convert(Job& job, const RunSettings& settings, std::unique_ptr<msg::Message>& message) {
    using Status = ConversionOutcome::Status;
    if (!job.problem.empty()) return ConversionOutcome{Status::Failed, job.problem, {}};
    try {
        if (job.skipDeleted) {
            // A store's own state stands for the header fields'; a message
            // without one (a mailbox's) is judged by its header block alone.
            MailState state = job.storeState ? *job.storeState : ReadMailState(job.message);
            if (state.deleted) {
                ConversionOutcome skipped{Status::Skipped, "deleted in its store", {}};
                skipped.skip = ConversionOutcome::Skip::Deleted;
                skipped.state = std::move(state);
                return skipped;
            }
        }
        const ConversionOptions* options = &settings.conversion;
        ConversionOptions withStoreState;
        if (job.storeState) {
            withStoreState = settings.conversion;
            withStoreState.storeState = std::move(job.storeState);
            options = &withStoreState;
        }
        if (settings.inMemory) {
            if (job.place) return ConvertMessageInMemory(std::move(job.message), *options, message);
            return ConvertFileInMemory(job.source, *options, job.known, message);
        }
        if (job.place)
            return ConvertMessage(std::move(job.message), job.output, settings.existing, *options, settings.claims);
        return ConvertFile(job.source, job.output, settings.existing, *options, job.known, settings.claims);
    } catch (const std::bad_alloc&) {
        return ConversionOutcome{Status::Failed, "not enough memory to convert it", {}};
    } catch (const std::exception& error) {
        return ConversionOutcome{Status::Failed, error.what(), {}};
    }
}

// Hands results to the report in the order their jobs were taken.
class InOrder {
public:
    InOrder(RunReport& report, const std::function<void(JobResult&)>& before) : m_report(report), m_before(before) {}
    // Results are handed over by one worker at a time, outside the lock:
    // the others go on converting while a store takes a message.
    void Deliver(std::uint64_t index, JobResult result) {
        std::unique_lock<std::mutex> hold(m_lock);
        m_waiting.emplace(index, std::move(result));
        if (m_handing) return;
        m_handing = true;
        for (auto next = m_waiting.find(m_next); next != m_waiting.end(); next = m_waiting.find(m_next)) {
            JobResult handed = std::move(next->second);
            m_waiting.erase(next);
            hold.unlock();
            Hand(handed);
            hold.lock();
            ++m_next;
            m_handed.notify_all();
        }
        m_handing = false;
    }
    // Waits until the job numbered `index` is fewer than `window` jobs
    // past the next one to be handed over. The job being waited for is
    // already with a worker, which never waits here before delivering it.
    void WaitForRoom(std::uint64_t index, std::uint64_t window) {
        std::unique_lock<std::mutex> hold(m_lock);
        m_handed.wait(hold, [&] { return index < m_next + window; });
    }

private:
    void Hand(JobResult& result) {
        if (m_before) m_before(result);
        m_report.Add(result);
    }
    std::mutex m_lock;
    std::condition_variable m_handed;
    RunReport& m_report;
    const std::function<void(JobResult&)>& m_before;
    std::map<std::uint64_t, JobResult> m_waiting;
    std::uint64_t m_next = 0;
    bool m_handing = false;  // a worker is handing results over
};

std::uint64_t WindowOf(const RunSettings& settings) {
    return std::uint64_t{kHeldPerWorker} * std::max(settings.workers, 1u);
}

class Workers {
public:
    Workers(JobSource& source, const RunSettings& settings, RunReport& report)
        : m_source(source), m_settings(settings), m_results(report, settings.inOrder) {}

    void Work() {
        for (;;) {
            Job job;
            std::uint64_t index = 0;
            std::optional<double> handedOut;
            {
                const std::lock_guard<std::mutex> hold(m_sourceLock);
                // Converted messages held in memory wait for the slowest one
                // before them: a bounded number of them, whatever its size.
                if (m_settings.inMemory) m_results.WaitForRoom(m_taken, WindowOf(m_settings));
                if (m_sourceDone || !m_source.Next(job)) {
                    m_sourceDone = true;
                    return;
                }
                index = m_taken++;
                handedOut = m_source.HandedOut();
            }
            JobResult result;
            result.input = std::move(job.input);
            result.place = job.place;
            result.output = job.output.empty() ? std::string() : filing::Utf8FromPath(job.output);
            result.handedOut = handedOut;
            std::unique_ptr<msg::Message> message;
            result.outcome = Convert(job, m_settings, message);
            result.message = std::move(message);
            // A message skipped as deleted has no output, not even one it would have had.
            if (result.outcome.status == ConversionOutcome::Status::Skipped &&
                result.outcome.skip == ConversionOutcome::Skip::Deleted) {
                result.output.clear();
            }
            m_results.Deliver(index, std::move(result));
        }
    }

private:
    JobSource& m_source;
    const RunSettings& m_settings;
    InOrder m_results;
    std::mutex m_sourceLock;
    bool m_sourceDone = false;
    std::uint64_t m_taken = 0;
};

}  // namespace

void RunJobs(JobSource& source, const RunSettings& settings, RunReport& report) {
    Workers workers(source, settings, report);
    if (settings.workers <= 1) {
        workers.Work();
    } else {
        std::vector<std::thread> threads;
        threads.reserve(settings.workers);
        for (unsigned i = 0; i < settings.workers; ++i) threads.emplace_back([&workers] { workers.Work(); });
        for (std::thread& thread : threads) thread.join();
    }
    const std::string error = source.Error();
    if (!error.empty()) report.Problem(error);
}

}  // namespace mailvane::cli
