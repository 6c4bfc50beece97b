#include "engine/mapping/received_state.h"

#include <algorithm>

#include "engine/msg/property_tags.h"

namespace mailvane::mapping {

namespace {

bool IsHidden(const msg::Attachment& attachment) {
    const auto* hidden = attachment.properties.Get(msg::PidTagAttachmentHidden);
    return hidden && std::get<bool>(*hidden);
}

}  // namespace

void SetReceivedState(msg::Message& message) {
    msg::PropertyBag& p = message.properties;
    const bool hasAttachments = !message.attachments.empty();
    p.Set(msg::PidTagMessageFlags, msg::mfRead | msg::mfUnmodified | (hasAttachments ? msg::mfHasAttach : 0));
    p.Set(msg::PidTagHasAttachments, hasAttachments);
    if (hasAttachments && std::all_of(message.attachments.begin(), message.attachments.end(), IsHidden)) {
        p.SetNamed(msg::PropertyName{msg::PSETID_Common, msg::PidLidSmartNoAttach}, msg::PropType::Boolean, true);
    }
}

}  // namespace mailvane::mapping
