#include "eml2msg/json_report.h"

#include <gtest/gtest.h>

#include "engine/io/vector_sink.h"

namespace mailvane::cli {
namespace {

TEST(JsonString, EscapesAndReplacesWhatIsNotUtf8) {
    const std::pair<std::string, std::string> cases[] = {
        {"plain", "\"plain\""},
        {"a\"b\\c", "\"a\\\"b\\\\c\""},
        {"tab\tline\n", "\"tab\\u0009line\\u000a\""},
        {std::string("nul\0", 4), "\"nul\\u0000\""},
        {"Grüße", "\"Grüße\""},
        {"bad \xff byte \xc3", "\"bad \\ufffd byte \\ufffd\""},
        {"\xed\xa0\x80", "\"\\ufffd\\ufffd\\ufffd\""},  // an encoded surrogate
    };
    for (const auto& [text, json] : cases) EXPECT_EQ(JsonString(text), json) << text;
}

TEST(JsonReport, EveryInputWithItsOutcome) {
    VectorSink sink;
    JsonReport report(sink, "1.2.3");
    JobResult converted{"in/a.eml", std::nullopt, "out/a.msg", {}, std::nullopt};
    converted.outcome.issues.push_back(ConversionIssue{IssueKind::BareLineFeeds, 12, "seen"});
    report.Add(converted);
    JobResult failed{"box.mbox", MailboxPlace{2, 300}, "out/2-x.msg", {}, std::nullopt};
    failed.outcome.status = ConversionOutcome::Status::Failed;
    failed.outcome.reason = "cannot write";
    report.Add(failed);
    ASSERT_TRUE(report.Finish(1, 0, 1));
    const std::string text(sink.Bytes().begin(), sink.Bytes().end());
    EXPECT_EQ(text,
              "{\n  \"eml2msg\": \"1.2.3\",\n  \"inputs\": [\n"
              "    {\"input\": \"in/a.eml\", \"output\": \"out/a.msg\", \"outcome\": \"converted\", \"issues\": "
              "[{\"issue\": \"" +
                  std::string(IssueKindName(IssueKind::BareLineFeeds)) +
                  "\", \"offset\": 12, \"detail\": \"seen\"}]},\n"
                  "    {\"input\": \"box.mbox\", \"message\": 2, \"offset\": 300, \"output\": \"out/2-x.msg\", "
                  "\"outcome\": \"failed\", \"reason\": \"cannot write\", \"issues\": []}\n"
                  "  ],\n  \"converted\": 1,\n  \"skipped\": 0,\n  \"failed\": 1\n}\n");
}

TEST(JsonReport, NoInputs) {
    VectorSink sink;
    JsonReport report(sink, "1.2.3");
    ASSERT_TRUE(report.Finish(0, 0, 0));
    EXPECT_EQ(std::string(sink.Bytes().begin(), sink.Bytes().end()),
              "{\n  \"eml2msg\": \"1.2.3\",\n  \"inputs\": [],\n  \"converted\": 0,\n  \"skipped\": 0,\n  \"failed\": "
              "0\n}\n");
}

// The state words name what differs from a received mail that was read, a
// message read and received names none, and the skips of deleted messages
// are counted apart.
TEST(JsonReport, StateWordsCategoriesAndDeletedSkips) {
    VectorSink sink;
    JsonReport report(sink, "1.2.3");
    JobResult plain{"a.eml", std::nullopt, "a.msg", {}, std::nullopt};
    plain.outcome.state = MailState{};
    report.Add(plain);
    JobResult marked{"b", std::nullopt, "b.msg", {}, std::nullopt};
    MailState state;
    state.draft = true;
    state.read = false;
    state.replied = state.forwarded = state.flagged = true;
    state.categories = {u"Work", u"\u00dcbersicht \"x\""};
    marked.outcome.state = state;
    report.Add(marked);
    JobResult deleted{"c", std::nullopt, "", {}, std::nullopt};
    deleted.outcome.status = ConversionOutcome::Status::Skipped;
    deleted.outcome.skip = ConversionOutcome::Skip::Deleted;
    deleted.outcome.reason = "deleted in its store";
    MailState gone;
    gone.deleted = true;
    deleted.outcome.state = gone;
    report.Add(deleted);
    ASSERT_TRUE(report.Finish(2, 1, 0, 1));
    EXPECT_EQ(std::string(sink.Bytes().begin(), sink.Bytes().end()),
              "{\n  \"eml2msg\": \"1.2.3\",\n  \"inputs\": [\n"
              "    {\"input\": \"a.eml\", \"output\": \"a.msg\", \"outcome\": \"converted\", \"issues\": []},\n"
              "    {\"input\": \"b\", \"output\": \"b.msg\", \"outcome\": \"converted\", \"state\": [\"draft\", "
              "\"unread\", \"replied\", \"forwarded\", \"flagged\"], \"categories\": [\"Work\", \"\xc3\x9c"
              "bersicht \\\"x\\\"\"], \"issues\": []},\n"
              "    {\"input\": \"c\", \"outcome\": \"skipped\", \"reason\": \"deleted in its store\", \"state\": "
              "[\"deleted\"], \"issues\": []}\n"
              "  ],\n  \"converted\": 2,\n  \"skipped\": 1,\n  \"deleted\": 1,\n  \"failed\": 0\n}\n");
}

}  // namespace
}  // namespace mailvane::cli
