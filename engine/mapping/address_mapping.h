#pragma once

#include <span>
#include <string>
#include <vector>

#include "engine/mime/mime_entity.h"
#include "engine/mime/parse_issue.h"
#include "engine/msg/message.h"

namespace mailvane::mapping {

// An address is written as SMTP only when it is an addr-spec; an X.500
// name ("/O=.../CN=...") is Exchange's own (type EX, never an SMTP address
// property); other text keeps its e-mail address without a type, entry id
// or search key. Raw 8-bit bytes in names are read in the first of
// `declaredCharsets` that fits.

// PidTagSentRepresenting* from the first From address and PidTagSender*
// from Sender (From when there is none): name, address type, address,
// one-off entry id, search key and SMTP address.
void MapOriginators(const mime::HeaderList& headers, msg::PropertyBag& properties,
                    std::vector<mime::ParseIssue>& issues, std::span<const std::string> declaredCharsets = {});

// One recipient row per To, Cc and Bcc address (groups expanded), with
// PidTagDisplayTo/Cc/Bcc (empty when none).
void MapRecipients(const mime::HeaderList& headers, msg::Message& message, std::vector<mime::ParseIssue>& issues,
                   std::span<const std::string> declaredCharsets = {});

// Reply-To: PidTagReplyRecipientNames ("; "-joined) and
// PidTagReplyRecipientEntries (a FlatEntryList of one-off entry ids).
void MapReplyTo(const mime::HeaderList& headers, msg::PropertyBag& properties, std::vector<mime::ParseIssue>& issues,
                std::span<const std::string> declaredCharsets = {});

}  // namespace mailvane::mapping
