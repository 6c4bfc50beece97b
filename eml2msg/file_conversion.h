#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "eml2msg/known_files.h"
#include "engine/convert/conversion_issue.h"
#include "engine/convert/eml_converter.h"
#include "filing/claims.h"

namespace mailvane::cli {

// What a conversion does with an output file that exists before it writes.
enum class ExistingOutput {
    Skip,                // leave it as it is and count the input as skipped
    ReplaceMessageFile,  // replace it when it is a message file (a compound file), else fail and leave it
};

struct ConversionOutcome {
    enum class Status { Converted, Skipped, Failed };
    // Why an input was skipped: its output was there already, or its owner
    // deleted it in its store.
    enum class Skip { OutputExists, Deleted };
    Status status = Status::Converted;
    std::string reason;                   // for people, when skipped or failed
    std::vector<ConversionIssue> issues;  // what the parser met, offsets in the message
    Skip skip = Skip::OutputExists;       // when skipped
    // The state the message was given (Conversion::state), or the one it was
    // skipped for; empty when it was never read.
    std::optional<MailState> state = std::nullopt;
};

// Converts one .eml file into one .msg file, written atomically. Never
// writes over the input itself or over a file of `claims` (what the run
// reads), over a file that is not a message file, over a folder or link,
// and never replaces a device or a pipe (those are written through).
ConversionOutcome ConvertFile(const std::filesystem::path& input, const std::filesystem::path& output,
                              ExistingOutput existing, const ConversionOptions& options = {}, KnownFiles known = {},
                              const filing::RunClaims* claims = nullptr);

// The same for a message already in memory (one message of a mailbox).
ConversionOutcome ConvertMessage(std::vector<std::uint8_t> message, const std::filesystem::path& output,
                                 ExistingOutput existing, const ConversionOptions& options = {},
                                 const filing::RunClaims* claims = nullptr);

// The conversions of a run whose messages go into a store: the message
// is kept in `message` (when converted) instead of written to a file.
ConversionOutcome ConvertFileInMemory(const std::filesystem::path& input, const ConversionOptions& options,
                                      KnownFiles known, std::unique_ptr<msg::Message>& message);
ConversionOutcome ConvertMessageInMemory(std::vector<std::uint8_t> eml, const ConversionOptions& options,
                                         std::unique_ptr<msg::Message>& message);

}  // namespace mailvane::cli
