#pragma once

#include "engine/msg/message.h"

namespace mailvane::mapping {

// Marks a mapped message as a mail that was delivered and read: mfRead and
// mfUnmodified (a delivered message, never a draft), mfHasAttach and
// PidTagHasAttachments from its attachments, and PidLidSmartNoAttach when it
// has attachments and every one of them is hidden in the body, so that
// Outlook shows no paper clip for pictures the body already shows.
void SetReceivedState(msg::Message& message);

}  // namespace mailvane::mapping
