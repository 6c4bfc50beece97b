#pragma once

#include <cstddef>
#include <vector>

#include "engine/mime/parse_issue.h"
#include "engine/msg/message.h"

namespace mailvane::mapping {

// A message file holds no more recipients and attachments per message than
// the format allows. Past either bound the first rows are kept and the rest
// left out, so that what fits is still written; the issue says how many
// went (RecipientCountLimit, AttachmentCountLimit, at `offset`, where the
// message's source starts). The display and transport-header properties,
// set from the headers, keep every address. Embedded messages are fitted
// where they are mapped.
void KeepWithinFileLimits(msg::Message& message, std::size_t offset, std::vector<mime::ParseIssue>& issues);

}  // namespace mailvane::mapping
