#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "eml2msg/job_result.h"
#include "engine/io/byte_sink.h"

namespace mailvane::cli {

// The --report file: a JSON object naming the program's version, every
// input with its outcome ("converted", "skipped" or "failed"), the reason
// of a skip or failure and the parser's issues (kind, byte offset in the
// message, what was seen), and the totals. A message of a mailbox also
// gives its number and the offset of its "From " line. A message whose
// state differs from a received mail that was read gives it as "state"
// (the words "draft", "unread", "replied", "forwarded", "flagged",
// "deleted" that apply) and its "categories"; a message skipped because
// its owner deleted it is "skipped" with the reason, and the totals then
// also count those ("deleted"). Written as the run goes, in the order of
// the inputs.
class JsonReport {
public:
    JsonReport(ByteSink& sink, std::string_view version);
    void Add(const JobResult& result);
    // Writes the totals and closes the object; false when the sink failed at any point.
    bool Finish(std::uint64_t converted, std::uint64_t skipped, std::uint64_t failed, std::uint64_t skippedDeleted = 0);

private:
    void Put(std::string_view text);
    ByteSink& m_sink;
    bool m_first = true;
    bool m_ok = true;
};

// `text` as a JSON string, quotes included; bytes that are not UTF-8 become U+FFFD.
std::string JsonString(std::string_view text);

}  // namespace mailvane::cli
