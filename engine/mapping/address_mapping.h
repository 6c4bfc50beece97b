#pragma once

#include <vector>

#include "engine/mime/mime_entity.h"
#include "engine/mime/parse_issue.h"
#include "engine/msg/message.h"

namespace mailvane::mapping {

// PidTagSentRepresenting* from the first From address and PidTagSender*
// from Sender (From when there is none): name, SMTP address type, address,
// one-off entry id, search key and SMTP address.
void MapOriginators(const mime::HeaderList& headers, msg::PropertyBag& properties,
                    std::vector<mime::ParseIssue>& issues);

// One recipient row per To, Cc and Bcc address (groups expanded), with
// PidTagDisplayTo/Cc/Bcc (empty when none).
void MapRecipients(const mime::HeaderList& headers, msg::Message& message, std::vector<mime::ParseIssue>& issues);

// Reply-To: PidTagReplyRecipientNames ("; "-joined) and
// PidTagReplyRecipientEntries (a FlatEntryList of one-off entry ids).
void MapReplyTo(const mime::HeaderList& headers, msg::PropertyBag& properties, std::vector<mime::ParseIssue>& issues);

}  // namespace mailvane::mapping
