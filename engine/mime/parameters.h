#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/mime/mime_entity.h"
#include "engine/mime/parse_issue.h"

namespace mailvane::mime {

// A Content-Type or Content-Disposition value: the leading value and its
// parameters after RFC 2231 joining.
struct FieldWithParameters {
    std::string value;  // lower case, blanks and comments removed ("text/plain", "attachment")
    std::vector<Parameter> parameters;
};

// Tolerates what real mailers send: unquoted values with blanks or encoded
// words, unterminated quotes, unescaped backslashes in Windows paths,
// continuations out of order, both the plain and the RFC 2231 form of one
// parameter (the RFC 2231 form wins). Problems go to `issues` when given.
FieldWithParameters ParseFieldWithParameters(std::string_view raw, std::vector<ParseIssue>* issues = nullptr,
                                             std::size_t offset = 0);

// A parameter value: RFC 2231 charset when given, else RFC 2047 words inside
// the value as real mailers send them, else raw 8-bit bytes in the first of
// `declaredCharsets` that fits, as UTF-8 or as windows-1252.
std::u16string DecodeParameter(const Parameter& parameter, std::span<const std::string> declaredCharsets = {});

}  // namespace mailvane::mime
