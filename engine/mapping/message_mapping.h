#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/mapping/body_mapping.h"
#include "engine/mapping/mail_state.h"
#include "engine/mime/message_parser.h"
#include "engine/msg/message.h"
#include "engine/msg/property_tags.h"

namespace mailvane::mapping {

struct MappingOptions {
    std::u16string messageClass = msg::kNoteMessageClass;
    std::int64_t nowUnixSeconds = 0;  // for a missing Date and the creation time
    // Attached mails nested deeper than this stay message/rfc822 files.
    std::size_t maxEmbeddingDepth = 8;
    // Large bodies made while the file is written, from the source.
    BodyStreaming streaming;
    // What the owner did with the message. Mails attached to it are mapped
    // as received and read: their state is their sender's, not the owner's.
    MailState state;
};

// Maps one message (the parsed root, or an attached mail inside it) to
// the properties, recipients and attachments of an Outlook message, in the
// state `options` gives it. The bytes of parts that become attachments are
// moved out of `entity`: map a parse tree once.
std::unique_ptr<msg::Message> MapMessage(const mime::ParsedMessage& parsed, mime::MimeEntity& entity,
                                         const MappingOptions& options, std::vector<mime::ParseIssue>& issues,
                                         std::size_t depth = 0);

}  // namespace mailvane::mapping
