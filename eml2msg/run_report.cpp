#include "eml2msg/run_report.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <utility>
#include <vector>

#include "eml2msg/console.h"

namespace mailvane::cli {

namespace {

// What an applied limit left out, for a warning: the engine's own words
// where they say it, else what the limit does.
std::string LeftOut(IssueKind kind, const std::string& detail, std::size_t times) {
    const std::string count = times > 1 ? " (" + std::to_string(times) + " times)" : std::string();
    switch (kind) {
        case IssueKind::NestingLimit:
            return std::to_string(times) + (times == 1 ? " part" : " parts") +
                   " nested past the depth limit kept whole, the parts within unread";
        case IssueKind::PartCountLimit:
            return "parts past the limit of parts kept in their parent's bytes, unread" + count;
        default:
            return detail + count;
    }
}

}  // namespace

RunReport::RunReport(bool showProgress, JsonReport* json) : m_start(ProgressLine::Clock::now()), m_json(json) {
    if (showProgress) m_progress.emplace(m_start);
}

void RunReport::Say(const std::string& text) {
    // The progress line is blanked first, so a message never runs into it.
    WriteMessageLine((m_progress ? m_progress->Erase() : std::string()) + "eml2msg: ", text);
}

void RunReport::Add(const JobResult& result) {
    switch (result.outcome.status) {
        case ConversionOutcome::Status::Converted:
            ++m_converted;
            WarnOfLimits(result);
            break;
        case ConversionOutcome::Status::Skipped:
            ++m_skipped;
            if (result.outcome.skip == ConversionOutcome::Skip::Deleted) ++m_skippedDeleted;
            break;
        case ConversionOutcome::Status::Failed: {
            ++m_failed;
            Say(Where(result) + ": " + result.outcome.reason);
            break;
        }
    }
    if (m_json != nullptr) m_json->Add(result);
    if (m_progress) {
        const auto line = m_progress->Update(m_converted + m_skipped + m_failed, m_failed, result.handedOut,
                                             ProgressLine::Clock::now());
        if (line) WriteText(Stream::Error, *line);
    }
}

std::string RunReport::Where(const JobResult& result) {
    std::string where = result.input;
    if (result.place) {
        where += ": message " + std::to_string(result.place->number) + " (offset " +
                 std::to_string(result.place->offset) + ")";
    }
    return where;
}

void RunReport::WarnOfLimits(const JobResult& result) {
    // Each limit once, in the order they were first met, with how often.
    std::vector<IssueKind> order;
    std::map<IssueKind, std::pair<std::string, std::size_t>> met;
    for (const ConversionIssue& issue : result.outcome.issues) {
        if (!IsAppliedLimit(issue.kind)) continue;
        auto [found, first] = met.try_emplace(issue.kind, issue.detail, 0);
        if (first) order.push_back(issue.kind);
        ++found->second.second;
    }
    for (const IssueKind kind : order) {
        const auto& [detail, times] = met[kind];
        Say(Where(result) + ": warning: " + LeftOut(kind, detail, times));
    }
}

void RunReport::Problem(const std::string& text) {
    m_problem = true;
    Say(text);
}

void RunReport::Lost(std::uint64_t count) {
    if (count == 0) return;
    count = std::min(count, m_converted);
    m_converted -= count;
    m_failed += count;
    Problem(count == 1 ? "the message already added to the failed store is lost with it and counts as failed"
                       : "the " + std::to_string(count) +
                             " messages already added to the failed store are lost with it and count as failed");
}

void RunReport::Finish(bool summary) {
    if (m_progress) WriteText(Stream::Error, m_progress->Erase());
    if (!summary) return;
    const double seconds = std::chrono::duration<double>(ProgressLine::Clock::now() - m_start).count();
    char time[32];
    std::snprintf(time, sizeof time, "%.1f", seconds);
    const std::uint64_t inputs = m_converted + m_skipped + m_failed;
    const std::string skips = m_skippedDeleted == 0
                                  ? std::string()
                                  : " (" + std::to_string(m_skipped - m_skippedDeleted) + " existing, " +
                                        std::to_string(m_skippedDeleted) + " deleted)";
    const std::string line = std::to_string(inputs) + (inputs == 1 ? " input: " : " inputs: ") +
                             std::to_string(m_converted) + " converted, " + std::to_string(m_skipped) + " skipped" +
                             skips + ", " + std::to_string(m_failed) + " failed in " + time + " s";
    if (m_stores.empty()) {
        WriteText(Stream::Error, "eml2msg: " + line + "\n");
        return;
    }
    // A --pst run names its stores, escaped as every name in a message line.
    std::string stores;
    for (const std::string& store : m_stores) stores += (stores.empty() ? ", into " : ", ") + store;
    WriteMessageLine("eml2msg: ", line + stores);
}

}  // namespace mailvane::cli
