#pragma once

#include <vector>

#include "engine/mime/mime_entity.h"
#include "engine/mime/parse_issue.h"

namespace mailvane::mime {

// Records what will not read as text: UnknownCharset for a charset label
// (of a text part or of an encoded word in a message's header) that no
// decoder knows, UndecodableText for a text part whose bytes are not valid
// in their labelled charset, InvalidDate for a message's Date field that is
// no date. Covers the message and every message embedded in it.
void RecordTextIssues(const MimeEntity& root, std::vector<ParseIssue>& issues);

}  // namespace mailvane::mime
