#include "eml2msg/job_runner.h"

#include <gtest/gtest.h>

#include "eml2msg/planned_jobs.h"
#include "engine/io/vector_sink.h"
#include "filing/utf8_path.h"
#include "tests/support/scratch_folder.h"

namespace mailvane::cli {

using testing::ScratchFolder;
namespace {

// Whatever order many workers finish in, the report gets the results in
// the order of the inputs, and the files are the ones one worker writes.
TEST(JobRunner, ManyWorkersReportInTheOrderOfTheInputs) {
    ScratchFolder folder("runner");
    std::vector<Job> jobs;
    for (int i = 0; i < 60; ++i) {
        Job job;
        job.input = "message " + std::to_string(i);
        if (i % 7 == 3) {
            job.problem = "failing on purpose";
        } else {
            // Messages of very different sizes finish in a different order than they start.
            const std::string text = "Subject: m" + std::to_string(i) + "\r\n\r\n" + std::string((i % 5) * 200000, 'b');
            job.message.assign(text.begin(), text.end());
            job.place = MailboxPlace{static_cast<std::uint64_t>(i + 1), 0};
            job.output = folder / (std::to_string(i) + ".msg");
        }
        jobs.push_back(std::move(job));
    }
    std::vector<Job> copy = jobs;
    VectorSink sink;
    JsonReport json(sink, "test");
    RunReport report(false, &json);
    PlannedJobs source(std::move(copy));
    RunSettings settings;
    settings.workers = 4;
    settings.conversion.nowUnixSeconds = 0;
    RunJobs(source, settings, report);
    ASSERT_TRUE(json.Finish(report.Converted(), report.Skipped(), report.Failed()));
    EXPECT_EQ(report.Failed(), 9u);
    EXPECT_EQ(report.Converted(), 51u);

    const std::string text(sink.Bytes().begin(), sink.Bytes().end());
    std::size_t at = 0;
    for (const Job& job : jobs) {
        const std::size_t found = text.find("\"input\": \"" + job.input + "\"", at);
        ASSERT_NE(found, std::string::npos) << job.input << " missing or out of order";
        at = found + 1;
    }
}

}  // namespace
}  // namespace mailvane::cli
