#pragma once

#include <string>
#include <vector>

#include "engine/mime/mime_entity.h"

namespace mailvane::mime {

// The charsets a message's own text parts declare, in document order, each
// once, plain ASCII left out: what its raw 8-bit header bytes are most
// likely in. Attached mails are messages of their own and are not looked
// into.
std::vector<std::string> DeclaredTextCharsets(const MimeEntity& message);

}  // namespace mailvane::mime
