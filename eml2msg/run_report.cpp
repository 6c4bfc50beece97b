#include "eml2msg/run_report.h"

#include <cstdio>

#include "eml2msg/console.h"

namespace mailvane::cli {

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
            break;
        case ConversionOutcome::Status::Skipped:
            ++m_skipped;
            break;
        case ConversionOutcome::Status::Failed: {
            ++m_failed;
            std::string where = result.input;
            if (result.place) {
                where += ": message " + std::to_string(result.place->number) + " (offset " +
                         std::to_string(result.place->offset) + ")";
            }
            Say(where + ": " + result.outcome.reason);
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

void RunReport::Problem(const std::string& text) {
    m_problem = true;
    Say(text);
}

void RunReport::Finish(bool summary) {
    if (m_progress) WriteText(Stream::Error, m_progress->Erase());
    if (!summary) return;
    const double seconds = std::chrono::duration<double>(ProgressLine::Clock::now() - m_start).count();
    char time[32];
    std::snprintf(time, sizeof time, "%.1f", seconds);
    const std::uint64_t inputs = m_converted + m_skipped + m_failed;
    WriteText(Stream::Error, "eml2msg: " + std::to_string(inputs) + (inputs == 1 ? " input: " : " inputs: ") +
                                 std::to_string(m_converted) + " converted, " + std::to_string(m_skipped) +
                                 " skipped, " + std::to_string(m_failed) + " failed in " + time + " s\n");
}

}  // namespace mailvane::cli
