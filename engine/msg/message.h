#pragma once

#include <memory>
#include <vector>

#include "engine/msg/property_bag.h"

namespace mailvane::msg {

struct Message;

struct Recipient {
    PropertyBag properties;
};

struct Attachment {
    PropertyBag properties;
    // Set for an attached mail (PidTagAttachMethod 5): written as the
    // __substg1.0_3701000D storage.
    std::unique_ptr<Message> embeddedMessage;
};

struct Message {
    PropertyBag properties;
    std::vector<Recipient> recipients;
    std::vector<Attachment> attachments;
};

}  // namespace mailvane::msg
