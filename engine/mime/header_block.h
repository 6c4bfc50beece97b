#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "engine/mime/mime_entity.h"
#include "engine/mime/parse_issue.h"
#include "engine/mime/parse_limits.h"

namespace mailvane::mime {

struct HeaderBlock {
    HeaderList headers;
    std::size_t bodyBegin = 0;  // after the blank line, or where a non-header line starts
    bool sawBlankLine = false;  // false when the block ran to the end of its range
};

// Reads the header fields of the entity that starts at `begin`, stopping at
// `end`. Folded lines are unfolded; a line with an empty field name is
// skipped. Any other line that cannot be a header field starts the body,
// unless the line after it shows the header going on: a field name folded
// before its colon ("From" then " : a@b") is read as that field, and a line
// followed by a field, a folded line or (after a ';') the blank line is read
// as a continuation of the field before it. Limits cut fields and lines but
// never stop the search for the body. Offsets in `issues` are offsets in
// `source`.
HeaderBlock ParseHeaderBlock(std::string_view source, std::size_t begin, std::size_t end, const ParseLimits& limits,
                             std::vector<ParseIssue>& issues);

}  // namespace mailvane::mime
