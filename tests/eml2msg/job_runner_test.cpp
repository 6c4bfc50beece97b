#include "eml2msg/job_runner.h"

#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <string>
#include <vector>

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

// A store's message is skipped when its owner deleted it: by the store's
// own state where it has one (whatever the header fields say), else by
// its header fields. Other jobs are converted whatever their state.
TEST(JobRunner, DeletedMessagesOfAStoreAreSkippedAndCounted) {
    ScratchFolder folder("deleted");
    const auto job = [&](const std::string& name, const std::string& headers, bool skipDeleted,
                         std::optional<MailState> storeState) {
        Job made;
        made.input = name;
        const std::string text = headers + "Subject: " + name + "\r\n\r\nbody\r\n";
        made.message.assign(text.begin(), text.end());
        made.place = MailboxPlace{1, 0};
        made.output = folder / (name + ".msg");
        made.skipDeleted = skipDeleted;
        made.storeState = std::move(storeState);
        return made;
    };
    MailState trashed;
    trashed.deleted = true;
    std::vector<Job> jobs;
    jobs.push_back(job("expunged", "X-Mozilla-Status: 0009\r\n", true, std::nullopt));
    jobs.push_back(job("kept", "X-Mozilla-Status: 0001\r\n", true, std::nullopt));
    jobs.push_back(job("trashed", "", true, trashed));
    jobs.push_back(job("store says kept", "X-Mozilla-Status: 0009\r\n", true, MailState{}));
    jobs.push_back(job("named", "X-Mozilla-Status: 0009\r\n", false, std::nullopt));
    VectorSink sink;
    JsonReport json(sink, "test");
    RunReport report(false, &json);
    PlannedJobs source(std::move(jobs));
    RunSettings settings;
    settings.conversion.nowUnixSeconds = 0;
    RunJobs(source, settings, report);
    EXPECT_EQ(report.Converted(), 3u);
    EXPECT_EQ(report.Skipped(), 2u);
    EXPECT_EQ(report.SkippedDeleted(), 2u);
    EXPECT_FALSE(std::filesystem::exists(folder / "expunged.msg"));
    EXPECT_FALSE(std::filesystem::exists(folder / "trashed.msg"));
    for (const char* written : {"kept.msg", "store says kept.msg", "named.msg"})
        EXPECT_TRUE(std::filesystem::exists(folder / written)) << written;
    ASSERT_TRUE(json.Finish(report.Converted(), report.Skipped(), report.Failed(), report.SkippedDeleted()));
    const std::string text(sink.Bytes().begin(), sink.Bytes().end());
    EXPECT_NE(text.find("\"input\": \"expunged\", \"message\": 1, \"offset\": 0, \"outcome\": \"skipped\", "
                        "\"reason\": \"deleted in its store\""),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("\"deleted\": 2"), std::string::npos) << text;
}

// Converted into memory (a store's run), the messages finished behind a
// slow one wait for it: never more than kHeldPerWorker per worker are
// taken and not yet handed over, however large the slow one is.
TEST(JobRunner, MessagesHeldInMemoryAreBoundedBehindASlowOne) {
    class CountingJobs final : public JobSource {
    public:
        CountingJobs(const std::atomic<std::uint64_t>& handed) : m_handed(handed) {}
        bool Next(Job& job) override {
            if (m_taken == 160) return false;
            const std::string text = "Subject: m" + std::to_string(m_taken) + "\r\n\r\n" +
                                     std::string(m_taken == 0 ? 24 * 1024 * 1024 : 100, 'b');
            job.input = "message " + std::to_string(m_taken);
            job.message.assign(text.begin(), text.end());
            job.place = MailboxPlace{m_taken + 1, 0};
            job.output = "m" + std::to_string(m_taken) + ".msg";
            ++m_taken;
            mostHeld = std::max(mostHeld, m_taken - m_handed.load());
            return true;
        }
        std::optional<double> HandedOut() const override { return std::nullopt; }
        std::string Error() const override { return {}; }
        std::uint64_t mostHeld = 0;

    private:
        const std::atomic<std::uint64_t>& m_handed;
        std::uint64_t m_taken = 0;
    };
    std::atomic<std::uint64_t> handed{0};
    CountingJobs source(handed);
    RunReport report(false, nullptr);
    RunSettings settings;
    settings.workers = 3;
    settings.inMemory = true;
    settings.conversion.nowUnixSeconds = 0;
    std::uint64_t order = 0;
    bool inOrder = true;
    settings.inOrder = [&](JobResult& result) {
        inOrder = inOrder && result.input == "message " + std::to_string(order++) && result.message != nullptr;
        ++handed;
    };
    RunJobs(source, settings, report);
    EXPECT_EQ(report.Converted(), 160u);
    EXPECT_TRUE(inOrder);
    EXPECT_LE(source.mostHeld, std::uint64_t{kHeldPerWorker} * settings.workers);
}

}  // namespace
}  // namespace mailvane::cli
