#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "engine/mapping/attachment_naming.h"
#include "engine/mime/parse_issue.h"
#include "engine/msg/message.h"

namespace mailvane::mapping {

// Unpacks a winmail.dat (application/ms-tnef) part into `message`: its
// attachments become attachments of the message (attached messages as
// embedded ones), its RTF and HTML bodies replace the poorer MIME forms,
// and the other properties it carries fill in what the MIME headers did not
// give. Returns false, leaving `message` untouched, when the bytes are not
// a TNEF stream that can be read; the caller then keeps the part as a file.
// Issues met in the stream are recorded at `offset`, where its bytes start
// in the message's source.
bool MapTnefPart(std::span<const std::uint8_t> bytes, std::size_t offset, msg::Message& message, AttachmentNamer& namer,
                 std::vector<mime::ParseIssue>& issues);

}  // namespace mailvane::mapping
