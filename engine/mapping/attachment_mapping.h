#pragma once

#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "engine/mapping/attachment_naming.h"
#include "engine/mapping/body_selection.h"
#include "engine/mapping/html_references.h"
#include "engine/mapping/uuencoded_blocks.h"
#include "engine/mime/message_parser.h"
#include "engine/msg/message.h"

namespace mailvane::mapping {

// Maps an attached mail (a parsed message/rfc822 part) to a message; given
// by the message mapping so that embedding recurses through it.
using EmbeddedMapper = std::function<std::unique_ptr<msg::Message>(mime::MimeEntity& inner)>;

struct AttachmentWalk {
    const mime::ParsedMessage& parsed;
    const BodySelection& body;
    // The cid: and location references of the HTML body, found when first
    // asked for; empty when there is no HTML to look in.
    std::function<HtmlReferences()> findHtmlReferences;
    EmbeddedMapper mapEmbedded;  // empty past the embedding bound: attached mails stay .eml files
    std::vector<mime::ParseIssue>& issues;
    std::span<const std::string> declaredCharsets;  // what raw 8-bit names are tried in first
};

// Every leaf of `root` that was not promoted to the body becomes an
// attachment, in document order: by value, or as an embedded message for a
// parsed message/rfc822 part and for an S/MIME message below the top level
// (see IsNestedSmime). Parts of the body's multipart/related, and
// images anywhere, that the HTML references by cid: or by Content-Location
// (resolved with Content-Base and Content-Location as RFC 2557 says) are
// hidden and rendered in the body unless their disposition is
// "attachment"; everything else stays an ordinary attachment. A winmail.dat
// part is unpacked into the message. Each attachment takes its bytes out of
// its part (moved, not copied), so the parse tree is spent afterwards.
void MapAttachments(mime::MimeEntity& root, const AttachmentWalk& walk, msg::Message& message, AttachmentNamer& namer);

// What an attached mail without a subject is called.
inline constexpr char16_t kUntitledMessageName[] = u"Attached message";

// PidTagAttachFilename of an attached mail: its display name (the subject)
// made safe to save, without an extension, as Outlook names it.
std::u16string EmbeddedMessageFileName(std::u16string_view displayName);

// A new attachment at the end of `message`, numbered by its place and not
// placed in the body.
msg::Attachment& NewAttachment(msg::Message& message);

// An attachment by value with the given name, media type and bytes.
void AddFileAttachment(msg::Message& message, AttachmentNamer& namer, std::u16string_view wantedName,
                       std::string_view mediaType, msg::Bytes data);

}  // namespace mailvane::mapping
