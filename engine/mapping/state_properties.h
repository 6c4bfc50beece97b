#pragma once

#include "engine/mapping/mail_state.h"
#include "engine/msg/message.h"

namespace mailvane::mapping {

// Gives a mapped message the properties of the state its owner left on it,
// as Outlook's own files hold them, and mfHasAttach and PidTagHasAttachments
// from its attachments, with PidLidSmartNoAttach when every attachment is
// hidden in the body, so that Outlook shows no paper clip for pictures the
// body already shows. The default state is a mail that was delivered and
// read: mfRead and mfUnmodified, which a mail its owner changed (replied,
// forwarded, flagged or categorised) loses, as in Outlook's own files.
//   - draft: mfUnsent without mfUnmodified, and no submit time (Outlook's
//     drafts keep a delivery time, that of their last save);
//   - unread: no mfRead (Outlook gives an unread mail no icon of its own);
//   - replied, forwarded: PidTagLastVerbExecuted, its time when the state
//     knows it, and the replied or forwarded icon of the mail's class;
//   - flagged: a follow-up flag with no dates, as Outlook sets one;
//   - categories: PidNameKeywords.
// The message's class and any TNEF properties must be in place already: the
// icon follows the class, and the state wins over the copy of its sender's
// state a winmail.dat may carry.
void SetMessageState(msg::Message& message, const MailState& state = {});

}  // namespace mailvane::mapping
