#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "eml2msg/known_files.h"
#include "engine/convert/eml_converter.h"

namespace mailvane::cli {

// Where a message stands in its mailbox file.
struct MailboxPlace {
    std::uint64_t number = 0;  // from 1, in the order of the file
    std::uint64_t offset = 0;  // of its "From " line, in bytes
};

// One input of a run and where its output goes.
struct Job {
    std::string input;                  // the input as messages and the report name it (UTF-8)
    std::filesystem::path source;       // the .eml file; empty for a message of a mailbox
    std::vector<std::uint8_t> message;  // the message of a mailbox
    std::optional<MailboxPlace> place;  // set for a message of a mailbox
    std::filesystem::path output;
    KnownFiles known;     // what the run knows of the input and the output already
    std::string problem;  // set when the input failed before it could be converted
    // What the store keeps beside the message (a Maildir file's flags and
    // keywords), handed to the conversion as ConversionOptions::storeState.
    std::optional<MailState> storeState;
    // A message of a store (a Maildir, a mailbox): skipped, not converted,
    // when its state (the store's, else its header fields') says its owner
    // deleted it, so that no deleted mail comes back. A file named on its
    // own is converted whatever its state.
    bool skipDeleted = false;
};

// The jobs of a run, in their order. Next is called by one thread at a time.
class JobSource {
public:
    virtual ~JobSource() = default;
    // The next job; false at the end (or when the source failed: Error()).
    virtual bool Next(Job& job) = 0;
    // How much of the whole work has been handed out, from 0 to 1, when known.
    virtual std::optional<double> HandedOut() const = 0;
    // Why the source stopped before its end; empty when it did not.
    virtual std::string Error() const { return {}; }
};

}  // namespace mailvane::cli
