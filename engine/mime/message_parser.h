#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "engine/mime/mime_entity.h"
#include "engine/mime/parse_issue.h"
#include "engine/mime/parse_limits.h"

namespace mailvane::mime {

struct ParsedMessage {
    // The message as read, with CR-only line ends made CRLF; entities point into it.
    std::vector<std::uint8_t> source;
    MimeEntity root;
    std::vector<ParseIssue> issues;

    std::string_view Raw(std::size_t begin, std::size_t end) const;
};

// Parses a whole message. Never throws on malformed input: every anomaly is
// recorded in `issues` and parsing goes on with the most useful reading.
ParsedMessage ParseMessage(std::vector<std::uint8_t> source, const ParseLimits& limits = {});

}  // namespace mailvane::mime
