#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "engine/mime/entity_body.h"
#include "engine/mime/parse_issue.h"

namespace mailvane::mime {

// The content of a leaf after its Content-Transfer-Encoding (lower case;
// empty, 7bit, 8bit and binary mean none). Damage and unknown encodings are
// recorded at `offset` and decoded as well as they can be: an unknown
// encoding leaves the bytes as they are. Content left as it is comes back
// as a view of `content`.
EntityBody DecodeTransferEncoding(std::string_view encoding, std::string_view content, std::vector<ParseIssue>& issues,
                                  std::size_t offset);

}  // namespace mailvane::mime
