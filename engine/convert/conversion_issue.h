#pragma once

#include "engine/mime/parse_issue.h"

namespace mailvane {

// What a conversion met in its input: the parser's typed issues, each with
// its byte offset in the message. A caller of the converter names, sorts
// and reports them through these, without reaching into the parser.
using ConversionIssue = mime::ParseIssue;
using IssueKind = mime::IssueKind;
using mime::IsAppliedLimit;
using mime::IssueKindName;

}  // namespace mailvane
