#include "engine/mapping/state_properties.h"

#include <algorithm>
#include <optional>

#include "engine/msg/property_tags.h"

namespace mailvane::mapping {

namespace {

bool IsHidden(const msg::Attachment& attachment) {
    const auto* hidden = attachment.properties.Get(msg::PidTagAttachmentHidden);
    return hidden && std::get<bool>(*hidden);
}

// Whether the owner changed the item after it was delivered: answered or
// passed it on, flagged or filed it. Outlook's copies of such mails never
// keep mfUnmodified (the forwarded poi-06 file, the replied, flagged and
// categorised items of the corpus stores); reading a mail is no change, as
// its unread and read files with the flag show.
bool ChangedByOwner(const MailState& state) {
    return state.replied || state.forwarded || state.flagged || !state.categories.empty();
}

std::int32_t MessageFlags(const msg::Message& message, const MailState& state) {
    std::int32_t flags = state.read ? msg::mfRead : 0;
    // A draft is still being composed; mfUnmodified would make it a
    // delivered message.
    if (state.draft) {
        flags |= msg::mfUnsent;
    } else if (!ChangedByOwner(state)) {
        flags |= msg::mfUnmodified;
    }
    if (!message.attachments.empty()) flags |= msg::mfHasAttach;
    return flags;
}

// The icon of a mail answered or passed on, by its class: Outlook draws
// the S/MIME classes with icons of their own. Other classes (meetings and
// their answers) keep the icon of their class.
std::optional<std::int32_t> VerbIcon(const msg::PropertyBag& p, bool replied) {
    const auto* value = p.Get(msg::PidTagMessageClass);
    const auto* messageClass = value ? std::get_if<std::u16string>(value) : nullptr;
    if (!messageClass) return std::nullopt;
    if (*messageClass == msg::kNoteMessageClass) {
        return replied ? msg::IconIndexRepliedMail : msg::IconIndexForwardedMail;
    }
    if (*messageClass == u"IPM.Note.SMIME.MultipartSigned") {
        return replied ? msg::IconIndexSignedRepliedMail : msg::IconIndexSignedForwardedMail;
    }
    if (*messageClass == u"IPM.Note.SMIME") {
        return replied ? msg::IconIndexEncryptedRepliedMail : msg::IconIndexEncryptedForwardedMail;
    }
    return std::nullopt;
}

// PidTagLastVerbExecuted holds one verb. When a mail was both answered and
// passed on and nothing tells which came last, the reply is kept: that the
// sender has had an answer is what the owner looks for before answering
// (the forward is the lesser loss), and it is the verb the mbox stores'
// X-Status ('A') and most clients' "answered" flag record on their own.
void SetLastVerb(msg::PropertyBag& p, const MailState& state) {
    if (!state.replied && !state.forwarded) return;
    p.Set(msg::PidTagLastVerbExecuted, state.replied ? msg::EXCHIVERB_REPLYTOSENDER : msg::EXCHIVERB_FORWARD);
    if (state.answeredUnixSeconds) {
        p.Set(msg::PidTagLastVerbExecutionTime, msg::FileTime::FromUnixSeconds(*state.answeredUnixSeconds));
    }
    if (auto icon = VerbIcon(p, state.replied)) p.Set(msg::PidTagIconIndex, *icon);
}

// A flag with no start or due date, property by property as Outlook sets
// one on a received mail: flagged for follow-up with the red flag, on the
// To-Do list, and the task it makes not started.
void SetFollowUpFlag(msg::PropertyBag& p) {
    p.Set(msg::PidTagFlagStatus, msg::followupFlagged);
    p.Set(msg::PidTagFollowupIcon, msg::olRedFlagIcon);
    p.Set(msg::PidTagToDoItemFlags, msg::todoTimeFlagged);
    p.SetNamed(msg::PropertyName{msg::PSETID_Task, msg::PidLidTaskStatus}, msg::PropType::Int32, msg::tsvNotStarted);
    p.SetNamed(msg::PropertyName{msg::PSETID_Task, msg::PidLidTaskComplete}, msg::PropType::Boolean, false);
    p.SetNamed(msg::PropertyName{msg::PSETID_Task, msg::PidLidPercentComplete}, msg::PropType::Double, 0.0);
}

}  // namespace

void SetMessageState(msg::Message& message, const MailState& state) {
    msg::PropertyBag& p = message.properties;
    const bool hasAttachments = !message.attachments.empty();
    p.Set(msg::PidTagMessageFlags, MessageFlags(message, state));
    p.Set(msg::PidTagHasAttachments, hasAttachments);
    if (hasAttachments && std::all_of(message.attachments.begin(), message.attachments.end(), IsHidden)) {
        p.SetNamed(msg::PropertyName{msg::PSETID_Common, msg::PidLidSmartNoAttach}, msg::PropType::Boolean, true);
    }
    if (state.draft) {
        // Outlook's drafts hold the time of their last save as delivery
        // time: for a draft saved as a file that is its Date, not a
        // Received line some relay added on the way.
        if (const auto* written = p.Get(msg::PidTagClientSubmitTime)) {
            p.Set(msg::PidTagMessageDeliveryTime, msg::PropertyValue(*written));
        }
        p.Remove(msg::PidTagClientSubmitTime);
    }
    SetLastVerb(p, state);
    if (state.flagged) SetFollowUpFlag(p);
    if (!state.categories.empty()) {
        p.SetNamed(msg::PropertyName{msg::PS_PUBLIC_STRINGS, std::u16string(msg::kKeywordsName)},
                   msg::PropType::MultiString, state.categories);
    }
}

}  // namespace mailvane::mapping
