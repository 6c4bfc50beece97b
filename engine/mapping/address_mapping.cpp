#include "engine/mapping/address_mapping.h"

#include <span>
#include <string>

#include "engine/io/little_endian.h"
#include "engine/mapping/address_entry.h"
#include "engine/msg/property_tags.h"

namespace mailvane::mapping {

namespace {

struct OriginatorTags {
    std::uint32_t name, entryId, searchKey, addressType, emailAddress, smtpAddress;
};

constexpr OriginatorTags kSentRepresenting = {
    msg::PidTagSentRepresentingName,         msg::PidTagSentRepresentingEntryId,
    msg::PidTagSentRepresentingSearchKey,    msg::PidTagSentRepresentingAddressType,
    msg::PidTagSentRepresentingEmailAddress, msg::PidTagSentRepresentingSmtpAddress};
constexpr OriginatorTags kSender = {msg::PidTagSenderName,         msg::PidTagSenderEntryId,
                                    msg::PidTagSenderSearchKey,    msg::PidTagSenderAddressType,
                                    msg::PidTagSenderEmailAddress, msg::PidTagSenderSmtpAddress};

std::vector<mime::Mailbox> MailboxesOf(const mime::HeaderList& headers, std::string_view name,
                                       std::vector<mime::ParseIssue>& issues,
                                       std::span<const std::string> declaredCharsets) {
    std::vector<mime::Mailbox> all;
    for (const mime::HeaderField* field : headers.FindAll(name)) {
        auto some = mime::ParseAddressList(field->value, &issues, field->offset, declaredCharsets);
        for (auto& mailbox : some) {
            // A lone word ("To: you") names someone but is no address to write to.
            if (mailbox.displayName.empty() && !mailbox.x500 && mailbox.address.find(u'@') == std::u16string::npos) {
                std::swap(mailbox.displayName, mailbox.address);
            }
            if (!mailbox.address.empty() || !mailbox.displayName.empty()) {
                all.push_back(std::move(mailbox));
            }
        }
    }
    return all;
}

// An addr-spec: a local part and a domain around the last '@', no blanks.
// Anything else is no Internet address, whatever a header calls it.
bool IsAddrSpec(std::u16string_view address) {
    const auto at = address.rfind(u'@');
    if (at == std::u16string_view::npos || at == 0 || at + 1 == address.size()) {
        return false;
    }
    for (char16_t c : address) {
        if (c <= u' ' || c == 0x7F) {
            return false;
        }
    }
    return true;
}

// The address type a mailbox is written with: Exchange's for an X.500
// name, SMTP for an addr-spec, none for what is neither (such text is kept
// as the e-mail address, but nothing may send to it as SMTP).
std::u16string_view AddressTypeOf(const mime::Mailbox& mailbox) {
    if (mailbox.x500) {
        return kExchangeAddressType;
    }
    return IsAddrSpec(mailbox.address) ? std::u16string_view(kSmtpAddressType) : std::u16string_view();
}

void SetOriginator(msg::PropertyBag& properties, const OriginatorTags& tags, const mime::Mailbox& mailbox) {
    std::u16string name = DisplayNameFor(mailbox);
    if (!name.empty()) {
        properties.Set(tags.name, name);
    }
    if (mailbox.address.empty()) {
        return;
    }
    properties.Set(tags.emailAddress, mailbox.address);
    const auto type = AddressTypeOf(mailbox);
    if (type.empty()) {
        return;
    }
    properties.Set(tags.addressType, std::u16string(type));
    if (type == kSmtpAddressType) {
        properties.Set(tags.smtpAddress, mailbox.address);
    }
    properties.Set(tags.entryId, OneOffEntryId(name, mailbox.address, type));
    properties.Set(tags.searchKey, AddressSearchKey(type, mailbox.address));
}

std::u16string JoinNames(const std::vector<mime::Mailbox>& mailboxes) {
    std::u16string joined;
    for (const auto& mailbox : mailboxes) {
        if (!joined.empty()) {
            // With its blank: the separator Outlook's display lists use.
            joined += u"; ";
        }
        joined += DisplayNameFor(mailbox);
    }
    return joined;
}

}  // namespace

void MapOriginators(const mime::HeaderList& headers, msg::PropertyBag& properties,
                    std::vector<mime::ParseIssue>& issues, std::span<const std::string> declaredCharsets) {
    auto from = MailboxesOf(headers, "From", issues, declaredCharsets);
    auto sender = MailboxesOf(headers, "Sender", issues, declaredCharsets);
    if (!from.empty()) {
        SetOriginator(properties, kSentRepresenting, from.front());
    }
    const auto& senderSource = sender.empty() ? from : sender;
    if (!senderSource.empty()) {
        SetOriginator(properties, kSender, senderSource.front());
    }
}

void MapRecipients(const mime::HeaderList& headers, msg::Message& message, std::vector<mime::ParseIssue>& issues,
                   std::span<const std::string> declaredCharsets) {
    struct Kind {
        std::string_view header;
        std::int32_t type;
        std::uint32_t displayTag;
    };
    constexpr Kind kinds[] = {{"To", msg::MAPI_TO, msg::PidTagDisplayTo},
                              {"Cc", msg::MAPI_CC, msg::PidTagDisplayCc},
                              {"Bcc", msg::MAPI_BCC, msg::PidTagDisplayBcc}};
    for (const Kind& kind : kinds) {
        auto mailboxes = MailboxesOf(headers, kind.header, issues, declaredCharsets);
        message.properties.Set(kind.displayTag, JoinNames(mailboxes));
        for (const auto& mailbox : mailboxes) {
            msg::Recipient recipient;
            auto& p = recipient.properties;
            std::u16string name = DisplayNameFor(mailbox);
            p.Set(msg::PidTagRecipientType, kind.type);
            p.Set(msg::PidTagDisplayName, name);
            p.Set(msg::PidTagTransmittableDisplayName, name);
            p.Set(msg::PidTagRecipientDisplayName, std::u16string(WithoutSurroundingQuotes(name)));
            p.Set(msg::PidTagObjectType, msg::MAPI_MAILUSER);
            p.Set(msg::PidTagDisplayType, msg::DT_MAILUSER);
            p.Set(msg::PidTagRowid, static_cast<std::int32_t>(message.recipients.size()));
            if (!mailbox.address.empty()) {
                p.Set(msg::PidTagEmailAddress, mailbox.address);
            }
            if (const auto type = AddressTypeOf(mailbox); !type.empty()) {
                p.Set(msg::PidTagAddressType, std::u16string(type));
                if (type == kSmtpAddressType) {
                    p.Set(msg::PidTagSmtpAddress, mailbox.address);
                }
                p.Set(msg::PidTagSearchKey, AddressSearchKey(type, mailbox.address));
                msg::Bytes entryId = OneOffEntryId(name, mailbox.address, type);
                p.Set(msg::PidTagRecipientEntryId, entryId);
                p.Set(msg::PidTagEntryId, std::move(entryId));
            }
            message.recipients.push_back(std::move(recipient));
        }
    }
}

void MapReplyTo(const mime::HeaderList& headers, msg::PropertyBag& properties, std::vector<mime::ParseIssue>& issues,
                std::span<const std::string> declaredCharsets) {
    auto mailboxes = MailboxesOf(headers, "Reply-To", issues, declaredCharsets);
    std::erase_if(mailboxes, [](const mime::Mailbox& m) { return AddressTypeOf(m).empty(); });
    if (mailboxes.empty()) {
        return;
    }
    // FlatEntryList: count, total size, then each FlatEntry (size + id) padded to 4 bytes.
    msg::Bytes entries;
    for (const auto& mailbox : mailboxes) {
        msg::Bytes id = OneOffEntryId(DisplayNameFor(mailbox), mailbox.address, AddressTypeOf(mailbox));
        io::AppendU32(entries, static_cast<std::uint32_t>(id.size()));
        entries.insert(entries.end(), id.begin(), id.end());
        while (entries.size() % 4 != 0) {
            entries.push_back(0);
        }
    }
    msg::Bytes list;
    io::AppendU32(list, static_cast<std::uint32_t>(mailboxes.size()));
    io::AppendU32(list, static_cast<std::uint32_t>(entries.size()));
    list.insert(list.end(), entries.begin(), entries.end());
    properties.Set(msg::PidTagReplyRecipientEntries, std::move(list));
    properties.Set(msg::PidTagReplyRecipientNames, JoinNames(mailboxes));
}

}  // namespace mailvane::mapping
