#include "engine/mapping/tnef_mapping.h"

#include <algorithm>

#include "engine/mapping/address_entry.h"
#include "engine/mapping/attachment_mapping.h"
#include "engine/mapping/file_limits.h"
#include "engine/mapping/state_properties.h"
#include "engine/msg/property_tags.h"
#include "engine/text/ascii_case.h"
#include "engine/tnef/tnef_reader.h"

namespace mailvane::mapping {

namespace {

// Properties that describe where a value lives rather than what the mail
// says: the writer and the mapping set them from the structure they build.
bool IsStructural(std::uint32_t tag) {
    switch (tag) {
        case msg::PidTagAttachNumber:
        case msg::PidTagAttachMethod:
        case msg::PidTagAttachDataBinary:
        case msg::PidTagAttachSize:
        case msg::PidTagStoreSupportMask:
        case msg::PidTagMessageFlags:
        case msg::PidTagHasAttachments:
            return true;
        default:
            return msg::TagId(tag) >= msg::kFirstNamedId || msg::TagType(tag) == msg::PropType::Object;
    }
}

// Copies what `bag` does not hold yet: the MIME form of a message wins over
// the copy its sender's client packed into winmail.dat.
void FillIn(const tnef::TnefProperties& from, msg::PropertyBag& bag) {
    for (const auto& property : from.fixed) {
        if (!IsStructural(property.tag) && bag.Get(property.tag) == nullptr) {
            bag.Set(property.tag, property.value);
        }
    }
    for (const auto& named : from.named) {
        bool present = std::any_of(bag.Named().begin(), bag.Named().end(),
                                   [&](const msg::NamedProperty& existing) { return existing.name == named.name; });
        if (!present && named.type != msg::PropType::Object) {
            bag.SetNamed(named.name, named.type, named.value);
        }
    }
}

std::string NarrowAscii(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char16_t c : text) out.push_back(c < 0x80 ? static_cast<char>(c) : '_');
    return out;
}

// Where the stream starts in the mail, and where its issues go.
struct StreamPlace {
    std::size_t offset;
    std::vector<mime::ParseIssue>& issues;
};

std::unique_ptr<msg::Message> MessageFromTnef(tnef::TnefMessage& tnefMessage, int depth, const StreamPlace& place);

template <typename T>
const T* Get(const msg::PropertyBag& bag, std::uint32_t tag) {
    const msg::PropertyValue* value = bag.Get(tag);
    return value ? std::get_if<T>(value) : nullptr;
}

// PidTagDisplayTo, Cc and Bcc: the recipients' names by type, "; "-joined.
void SetDisplayLists(msg::Message& message) {
    struct List {
        std::int32_t type;
        std::uint32_t tag;
        std::u16string names;
    };
    List lists[] = {{msg::MAPI_TO, msg::PidTagDisplayTo, {}},
                    {msg::MAPI_CC, msg::PidTagDisplayCc, {}},
                    {msg::MAPI_BCC, msg::PidTagDisplayBcc, {}}};
    for (const msg::Recipient& recipient : message.recipients) {
        const auto* type = Get<std::int32_t>(recipient.properties, msg::PidTagRecipientType);
        const auto* name = Get<std::u16string>(recipient.properties, msg::PidTagDisplayName);
        for (List& list : lists) {
            // The low byte is the type; the bits above it mark resent rows.
            if (type && (*type & 0xFF) == list.type && name) {
                if (!list.names.empty()) list.names += u"; ";
                list.names += *name;
            }
        }
    }
    for (const List& list : lists) message.properties.Set(list.tag, list.names);
}

// One recipient per row of the stream's recipient table, with the
// properties a recipient row needs that the table left out: its type
// (To), object and display type, a name (the address when there is
// none), and for an SMTP address the SMTP address, search key and a
// one-off entry id.
void AddTnefRecipients(const std::vector<tnef::TnefProperties>& rows, msg::Message& message) {
    for (const tnef::TnefProperties& row : rows) {
        msg::Recipient recipient;
        msg::PropertyBag& p = recipient.properties;
        FillIn(row, p);
        p.Set(msg::PidTagRowid, static_cast<std::int32_t>(message.recipients.size()));
        if (!p.Get(msg::PidTagRecipientType)) p.Set(msg::PidTagRecipientType, msg::MAPI_TO);
        if (!p.Get(msg::PidTagObjectType)) p.Set(msg::PidTagObjectType, msg::MAPI_MAILUSER);
        if (!p.Get(msg::PidTagDisplayType)) p.Set(msg::PidTagDisplayType, msg::DT_MAILUSER);
        const auto* address = Get<std::u16string>(p, msg::PidTagEmailAddress);
        const std::u16string email = address ? *address : std::u16string();
        if (!Get<std::u16string>(p, msg::PidTagDisplayName) && !email.empty()) p.Set(msg::PidTagDisplayName, email);
        const auto* type = Get<std::u16string>(p, msg::PidTagAddressType);
        if (type && text::ToUpperAscii(*type) == kSmtpAddressType && !email.empty()) {
            if (!p.Get(msg::PidTagSmtpAddress)) p.Set(msg::PidTagSmtpAddress, email);
            if (!p.Get(msg::PidTagSearchKey)) p.Set(msg::PidTagSearchKey, AddressSearchKey(kSmtpAddressType, email));
            if (!p.Get(msg::PidTagEntryId)) {
                const auto* name = Get<std::u16string>(p, msg::PidTagDisplayName);
                p.Set(msg::PidTagEntryId, OneOffEntryId(name ? *name : email, email));
            }
        }
        message.recipients.push_back(std::move(recipient));
    }
    if (!rows.empty()) SetDisplayLists(message);
}

void AddTnefAttachments(tnef::TnefMessage& from, msg::Message& message, AttachmentNamer& namer, int depth,
                        const StreamPlace& place) {
    for (auto& attachment : from.attachments) {
        if (attachment.embeddedMessage && depth < tnef::kMaxEmbeddingDepth) {
            auto inner = MessageFromTnef(*attachment.embeddedMessage, depth + 1, place);
            msg::Attachment& added = NewAttachment(message);
            auto& p = added.properties;
            p.Set(msg::PidTagAttachMethod, msg::afEmbeddedMessage);
            std::u16string display = attachment.fileName.empty() ? kUntitledMessageName : attachment.fileName;
            if (const auto* subject = inner->properties.Get(msg::PidTagSubject)) {
                if (const auto* text = std::get_if<std::u16string>(subject); text && !text->empty()) display = *text;
            }
            p.Set(msg::PidTagDisplayName, display);
            FillIn(attachment.properties, p);
            if (p.Get(msg::PidTagAttachFilename) == nullptr) {
                p.Set(msg::PidTagAttachFilename, EmbeddedMessageFileName(display));
            }
            added.embeddedMessage = std::move(inner);
            continue;
        }
        std::u16string name = SanitizeFileName(attachment.fileName);
        std::string mediaType =
            attachment.mimeTag.empty() ? "application/octet-stream" : NarrowAscii(attachment.mimeTag);
        AddFileAttachment(message, namer, name.empty() ? FallbackFileName(mediaType) : name, mediaType,
                          std::move(attachment.data));
        auto& p = message.attachments.back().properties;
        if (!attachment.contentId.empty()) p.Set(msg::PidTagAttachContentId, attachment.contentId);
        FillIn(attachment.properties, p);
    }
}

std::unique_ptr<msg::Message> MessageFromTnef(tnef::TnefMessage& tnefMessage, int depth, const StreamPlace& place) {
    auto message = std::make_unique<msg::Message>();
    auto& p = message->properties;
    p.Set(msg::PidTagMessageClass, std::u16string(msg::kNoteMessageClass));
    p.Set(msg::PidTagSensitivity, msg::SENSITIVITY_NONE);
    FillIn(tnefMessage.properties, p);
    AddTnefRecipients(tnefMessage.recipients, *message);
    AttachmentNamer namer;
    AddTnefAttachments(tnefMessage, *message, namer, depth, place);
    KeepWithinFileLimits(*message, place.offset, place.issues);
    // An attached mail: received and read, as the MIME ones are.
    SetMessageState(*message);
    return message;
}

}  // namespace

bool MapTnefPart(std::span<const std::uint8_t> bytes, std::size_t offset, msg::Message& message, AttachmentNamer& namer,
                 std::vector<mime::ParseIssue>& issues) {
    auto decoded = tnef::ReadTnef(bytes);
    if (!decoded) return false;
    auto& p = message.properties;
    // The sender's client wrote its own rich body into winmail.dat; the MIME
    // text beside it is a plain rendering of the same mail.
    if (decoded->rtfCompressed && !decoded->rtfCompressed->empty()) {
        p.Set(msg::PidTagRtfCompressed, std::move(*decoded->rtfCompressed));
        p.Set(msg::PidTagRtfInSync, true);
        p.Set(msg::PidTagNativeBody, msg::NativeBodyRtf);
    }
    if (decoded->html && !decoded->html->empty()) {
        p.Set(msg::PidTagHtml, std::move(*decoded->html));
        p.Set(msg::PidTagNativeBody, msg::NativeBodyHtml);
    }
    if (decoded->plainBody && p.Get(msg::PidTagBody) == nullptr) p.Set(msg::PidTagBody, *decoded->plainBody);
    FillIn(decoded->properties, p);
    // The MIME header's recipients win; the table speaks for a mail whose
    // header names none.
    if (message.recipients.empty()) AddTnefRecipients(decoded->recipients, message);
    AddTnefAttachments(*decoded, message, namer, 0, StreamPlace{offset, issues});
    return true;
}

}  // namespace mailvane::mapping
