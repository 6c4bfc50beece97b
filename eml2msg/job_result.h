#pragma once

#include <memory>
#include <optional>
#include <string>

#include "eml2msg/file_conversion.h"
#include "eml2msg/job.h"

namespace mailvane::cli {

// What became of one job, as the report of a run needs it.
struct JobResult {
    std::string input;  // UTF-8
    std::optional<MailboxPlace> place;
    std::string output;  // UTF-8; empty when the job never had one
    ConversionOutcome outcome;
    std::optional<double> handedOut;  // the source's HandedOut when the job was taken
    // The converted message, for a run that keeps its messages in memory
    // (RunSettings::inMemory) until they are added to a store in order.
    std::shared_ptr<const msg::Message> message = nullptr;
};

}  // namespace mailvane::cli
