#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "engine/mime/mime_entity.h"
#include "engine/mime/parse_issue.h"
#include "engine/mime/parse_limits.h"

namespace mailvane::mime {

struct ParsedMessage {
    ParsedMessage() = default;
    // Moved, the bytes it holds stay where they are, and `source` with them;
    // a copy would show the original's bytes.
    ParsedMessage(ParsedMessage&&) = default;
    ParsedMessage& operator=(ParsedMessage&&) = default;
    ParsedMessage(const ParsedMessage&) = delete;
    ParsedMessage& operator=(const ParsedMessage&) = delete;

    // The message as read, with CR-only line ends made CRLF; entities point into it.
    std::span<const std::uint8_t> source;
    MimeEntity root;
    std::vector<ParseIssue> issues;
    // The bytes `source` shows when the parse holds them: the message handed
    // over, or a copy of a borrowed one with its line ends made CRLF.
    std::vector<std::uint8_t> held;

    std::string_view Raw(std::size_t begin, std::size_t end) const;
};

// Parses a whole message. Never throws on malformed input: every anomaly is
// recorded in `issues` and parsing goes on with the most useful reading.
ParsedMessage ParseMessage(std::vector<std::uint8_t> source, const ParseLimits& limits = {});

// The same for a message the caller keeps: the result may point into
// `source`, which must outlive it.
ParsedMessage ParseBorrowedMessage(std::span<const std::uint8_t> source, const ParseLimits& limits = {});

// The header fields of the message itself, read as ParseMessage reads them
// (after an mbox "From " line, CR-only line ends taken as CRLF, at the same
// offsets), without reading its body: what a caller that looks at a message
// before converting it needs. `issues` gets what the header block met.
HeaderList ParseMessageHeader(std::span<const std::uint8_t> source, std::vector<ParseIssue>& issues,
                              const ParseLimits& limits = {});

}  // namespace mailvane::mime
