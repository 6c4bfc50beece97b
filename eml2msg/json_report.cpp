#include "eml2msg/json_report.h"

#include <cstdio>
#include <vector>

#include "engine/text/utf8.h"

namespace mailvane::cli {

namespace {

const char* OutcomeName(ConversionOutcome::Status status) {
    switch (status) {
        case ConversionOutcome::Status::Converted:
            return "converted";
        case ConversionOutcome::Status::Skipped:
            return "skipped";
        case ConversionOutcome::Status::Failed:
            break;
    }
    return "failed";
}

// The words of what `state` says beyond a received mail that was read.
std::vector<const char*> StateWords(const MailState& state) {
    std::vector<const char*> words;
    if (state.draft) words.push_back("draft");
    if (!state.read) words.push_back("unread");
    if (state.replied) words.push_back("replied");
    if (state.forwarded) words.push_back("forwarded");
    if (state.flagged) words.push_back("flagged");
    if (state.deleted) words.push_back("deleted");
    return words;
}

std::string StateEntries(const MailState& state) {
    std::string entries;
    const std::vector<const char*> words = StateWords(state);
    if (!words.empty()) {
        entries += ", \"state\": [";
        for (std::size_t i = 0; i < words.size(); ++i)
            entries += (i == 0 ? "\"" : ", \"") + std::string(words[i]) + "\"";
        entries += "]";
    }
    if (!state.categories.empty()) {
        entries += ", \"categories\": [";
        for (std::size_t i = 0; i < state.categories.size(); ++i)
            entries += (i == 0 ? "" : ", ") + JsonString(text::Utf8FromUtf16(state.categories[i]));
        entries += "]";
    }
    return entries;
}

}  // namespace

std::string JsonString(std::string_view text) {
    std::string out = "\"";
    for (std::size_t at = 0; at < text.size();) {
        char32_t decoded = 0;
        const std::size_t length = text::DecodeUtf8(text, at, decoded);
        if (length == 0) {
            out += "\\ufffd";
            ++at;
            continue;
        }
        const char c = text[at];
        if (length > 1) {
            out.append(text.substr(at, length));
        } else if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
            out += escaped;
        } else {
            out += c;
        }
        at += length;
    }
    return out + "\"";
}

JsonReport::JsonReport(ByteSink& sink, std::string_view version) : m_sink(sink) {
    Put("{\n  \"eml2msg\": " + JsonString(version) + ",\n  \"inputs\": [");
}

void JsonReport::Put(std::string_view text) {
    if (!m_ok) return;
    m_ok = m_sink.Write(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

void JsonReport::Add(const JobResult& result) {
    std::string entry = m_first ? "\n    {" : ",\n    {";
    m_first = false;
    entry += "\"input\": " + JsonString(result.input);
    if (result.place) {
        entry += ", \"message\": " + std::to_string(result.place->number) +
                 ", \"offset\": " + std::to_string(result.place->offset);
    }
    if (!result.output.empty()) entry += ", \"output\": " + JsonString(result.output);
    entry += ", \"outcome\": \"" + std::string(OutcomeName(result.outcome.status)) + "\"";
    if (!result.outcome.reason.empty()) entry += ", \"reason\": " + JsonString(result.outcome.reason);
    if (result.outcome.state) entry += StateEntries(*result.outcome.state);
    entry += ", \"issues\": [";
    bool firstIssue = true;
    for (const ConversionIssue& issue : result.outcome.issues) {
        entry += firstIssue ? "" : ", ";
        firstIssue = false;
        entry += "{\"issue\": " + JsonString(IssueKindName(issue.kind)) +
                 ", \"offset\": " + std::to_string(issue.offset) + ", \"detail\": " + JsonString(issue.detail) + "}";
    }
    entry += "]}";
    Put(entry);
}

bool JsonReport::Finish(std::uint64_t converted, std::uint64_t skipped, std::uint64_t failed,
                        std::uint64_t skippedDeleted) {
    const std::string deleted =
        skippedDeleted == 0 ? std::string() : ",\n  \"deleted\": " + std::to_string(skippedDeleted);
    Put(std::string(m_first ? "" : "\n  ") + "],\n  \"converted\": " + std::to_string(converted) +
        ",\n  \"skipped\": " + std::to_string(skipped) + deleted + ",\n  \"failed\": " + std::to_string(failed) +
        "\n}\n");
    return m_ok;
}

}  // namespace mailvane::cli
