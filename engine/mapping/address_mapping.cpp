#include "engine/mapping/address_mapping.h"

#include <string>

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
                                       std::vector<mime::ParseIssue>& issues) {
    std::vector<mime::Mailbox> all;
    for (const mime::HeaderField* field : headers.FindAll(name)) {
        auto some = mime::ParseAddressList(field->value, &issues, field->offset);
        for (auto& mailbox : some) {
            // A lone word ("To: you") names someone but is no address to write to.
            if (mailbox.displayName.empty() && mailbox.address.find(u'@') == std::u16string::npos) {
                std::swap(mailbox.displayName, mailbox.address);
            }
            if (!mailbox.address.empty() || !mailbox.displayName.empty()) {
                all.push_back(std::move(mailbox));
            }
        }
    }
    return all;
}

void SetOriginator(msg::PropertyBag& properties, const OriginatorTags& tags, const mime::Mailbox& mailbox) {
    std::u16string name = DisplayNameFor(mailbox);
    if (!name.empty()) {
        properties.Set(tags.name, name);
    }
    if (mailbox.address.empty()) {
        return;
    }
    properties.Set(tags.addressType, std::u16string(kSmtpAddressType));
    properties.Set(tags.emailAddress, mailbox.address);
    properties.Set(tags.smtpAddress, mailbox.address);
    properties.Set(tags.entryId, OneOffEntryId(name, mailbox.address));
    properties.Set(tags.searchKey, SmtpSearchKey(mailbox.address));
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

void AppendLittleEndian32(msg::Bytes& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

}  // namespace

void MapOriginators(const mime::HeaderList& headers, msg::PropertyBag& properties,
                    std::vector<mime::ParseIssue>& issues) {
    auto from = MailboxesOf(headers, "From", issues);
    auto sender = MailboxesOf(headers, "Sender", issues);
    if (!from.empty()) {
        SetOriginator(properties, kSentRepresenting, from.front());
    }
    const auto& senderSource = sender.empty() ? from : sender;
    if (!senderSource.empty()) {
        SetOriginator(properties, kSender, senderSource.front());
    }
}

void MapRecipients(const mime::HeaderList& headers, msg::Message& message, std::vector<mime::ParseIssue>& issues) {
    struct Kind {
        std::string_view header;
        std::int32_t type;
        std::uint32_t displayTag;
    };
    constexpr Kind kinds[] = {{"To", msg::MAPI_TO, msg::PidTagDisplayTo},
                              {"Cc", msg::MAPI_CC, msg::PidTagDisplayCc},
                              {"Bcc", msg::MAPI_BCC, msg::PidTagDisplayBcc}};
    for (const Kind& kind : kinds) {
        auto mailboxes = MailboxesOf(headers, kind.header, issues);
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
            p.Set(msg::PidTagAddressType, std::u16string(kSmtpAddressType));
            if (!mailbox.address.empty()) {
                p.Set(msg::PidTagEmailAddress, mailbox.address);
                p.Set(msg::PidTagSmtpAddress, mailbox.address);
                p.Set(msg::PidTagSearchKey, SmtpSearchKey(mailbox.address));
            }
            msg::Bytes entryId = OneOffEntryId(name, mailbox.address);
            p.Set(msg::PidTagRecipientEntryId, entryId);
            p.Set(msg::PidTagEntryId, std::move(entryId));
            message.recipients.push_back(std::move(recipient));
        }
    }
}

void MapReplyTo(const mime::HeaderList& headers, msg::PropertyBag& properties, std::vector<mime::ParseIssue>& issues) {
    auto mailboxes = MailboxesOf(headers, "Reply-To", issues);
    std::erase_if(mailboxes, [](const mime::Mailbox& m) { return m.address.empty(); });
    if (mailboxes.empty()) {
        return;
    }
    // FlatEntryList: count, total size, then each FlatEntry (size + id) padded to 4 bytes.
    msg::Bytes entries;
    for (const auto& mailbox : mailboxes) {
        msg::Bytes id = OneOffEntryId(DisplayNameFor(mailbox), mailbox.address);
        AppendLittleEndian32(entries, static_cast<std::uint32_t>(id.size()));
        entries.insert(entries.end(), id.begin(), id.end());
        while (entries.size() % 4 != 0) {
            entries.push_back(0);
        }
    }
    msg::Bytes list;
    AppendLittleEndian32(list, static_cast<std::uint32_t>(mailboxes.size()));
    AppendLittleEndian32(list, static_cast<std::uint32_t>(entries.size()));
    list.insert(list.end(), entries.begin(), entries.end());
    properties.Set(msg::PidTagReplyRecipientEntries, std::move(list));
    properties.Set(msg::PidTagReplyRecipientNames, JoinNames(mailboxes));
}

}  // namespace mailvane::mapping
