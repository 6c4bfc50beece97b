#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "engine/msg/message.h"

namespace mailvane::tnef {

// The MAPI properties of one object carried in a TNEF stream, after the
// legacy attributes and the attMAPIProps / attAttachment blocks have been
// merged (a later value for a tag replaces an earlier one). 8-bit strings
// are already decoded with the stream's code page and typed String;
// property types a message file cannot hold are left out.
struct TnefProperties {
    std::vector<msg::Property> fixed;
    std::vector<msg::NamedProperty> named;

    const msg::PropertyValue* Get(std::uint32_t tag) const;
};

struct TnefMessage;

struct TnefAttachment {
    TnefProperties properties;
    std::u16string fileName;  // the long name when the stream has one, else attAttachTitle
    std::vector<std::uint8_t> data;
    std::u16string mimeTag;
    std::u16string contentId;
    // Set when the attachment is itself a message (an embedded TNEF stream
    // in PR_ATTACH_DATA_OBJ); `data` is then empty.
    std::unique_ptr<TnefMessage> embeddedMessage;
};

struct TnefMessage {
    TnefProperties properties;
    // The body forms found, also present in `properties` under their tags.
    std::optional<std::u16string> plainBody;
    std::optional<std::vector<std::uint8_t>> rtfCompressed;
    std::optional<std::vector<std::uint8_t>> html;
    std::vector<TnefAttachment> attachments;
    // The recipient table (attRecipTable), one property set per recipient
    // in the stream's order; empty when the stream carries none.
    std::vector<TnefProperties> recipients;
};

// Messages embedded in a stream nest less deep than this; a stream that
// nests deeper is refused rather than allowed to recurse without end.
inline constexpr int kMaxEmbeddingDepth = 8;

// Decodes the bytes of an application/ms-tnef part (winmail.dat). Every
// length and count is checked against the bytes that are there; a stream
// with a bad signature, an attribute running past the end, a checksum that
// does not match or a malformed property block gives nothing, and the
// caller keeps the part as an opaque attachment.
std::optional<TnefMessage> ReadTnef(std::span<const std::uint8_t> bytes);

}  // namespace mailvane::tnef
