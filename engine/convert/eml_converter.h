#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "engine/convert/conversion_issue.h"
#include "engine/mapping/mail_state.h"
#include "engine/msg/message.h"
#include "engine/msg/property_tags.h"

namespace mailvane {

using mapping::MailState;

// The default of ConversionOptions::streamBodiesFrom, named so that a caller
// that sizes its buffers by it (a message of more bytes is best handed over
// whole, its large bodies read from it again) can check that it agrees.
inline constexpr std::size_t kStreamBodiesFrom = 4 * 1024 * 1024;

struct ConversionOptions {
    std::u16string messageClass = msg::kNoteMessageClass;  // the caller's class; signed mail may refine it
    // "Now" for a missing or invalid Date, as seconds since 1970 UTC; the
    // system clock when empty. Tests fix it.
    std::optional<std::int64_t> nowUnixSeconds;
    // Text and HTML bodies of at least this many bytes, in a charset read in
    // pieces, are decoded again while the message is written instead of
    // being held whole; the message then keeps its source.
    std::size_t streamBodiesFrom = kStreamBodiesFrom;
    // Whether the issues include those of the text parts and the header
    // dates (unknown charsets, text invalid in its charset, invalid dates).
    // Finding them decodes every text part once more; a caller that never
    // reports issues turns it off. The message is the same either way.
    bool textIssues = true;
    // The state a store keeps beside the message (a Maildir file's flags and
    // keywords). Its flags stand for the message's own state headers; its
    // categories follow those the headers name.
    std::optional<MailState> storeState;
};

struct Conversion {
    std::unique_ptr<msg::Message> message;
    std::vector<ConversionIssue> issues;
    MailState state;  // the state the message was given
};

// Parses an RFC 5322/MIME message and maps it to the properties, recipients
// and attachments of an Outlook message. Never fails: malformed input gives
// a message with what could be recovered, and the issues say what was met.
Conversion ConvertEml(std::vector<std::uint8_t> eml, const ConversionOptions& options = {});
// The same for a message the caller keeps, read during the call only.
Conversion ConvertBorrowedEml(std::span<const std::uint8_t> eml, const ConversionOptions& options = {});

// The state a message's own header fields record (X-Unsent, X-Mozilla-Status,
// Status and X-Status, X-Mozilla-Keys, X-Keywords, Keywords, X-Gmail-Labels),
// read from its header block alone: what a caller deciding whether to
// convert a message of a store needs. Fields it cannot read are left out,
// with an issue.
MailState ReadMailState(std::span<const std::uint8_t> eml, std::vector<ConversionIssue>* issues = nullptr);

// A message with nothing but its class and the properties every message
// file carries: what saving a message that was never imported writes.
std::unique_ptr<msg::Message> MakeEmptyMessage(const std::u16string& messageClass);

}  // namespace mailvane
