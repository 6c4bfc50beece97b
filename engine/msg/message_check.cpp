#include "engine/msg/message_check.h"

#include <string>

#include "engine/msg/msg_storage_layout.h"
#include "engine/msg/property_check.h"

namespace mailvane::msg {

namespace {

WriteResult Invalid(std::string detail) { return WriteResult{WriteStatus::Invalid, std::move(detail)}; }

WriteResult CheckBag(const PropertyBag& bag, NamedPropertyMap& names, const std::string& where) {
    for (const Property& property : bag.Fixed()) {
        if (TagId(property.tag) >= kFirstNamedId) {
            return Invalid(where + ": a tag in the named property range; use SetNamed");
        }
        if (std::string problem = CheckPropertyValue(property.tag, property.value); !problem.empty()) {
            return Invalid(where + ": " + problem);
        }
    }
    for (const NamedProperty& property : bag.Named()) {
        if (std::string problem = CheckPropertyValue(MakeTag(kFirstNamedId, property.type), property.value);
            !problem.empty()) {
            return Invalid(where + ": named " + problem);
        }
        if (!names.Add(property.name)) return Invalid(where + ": more named properties than a message file can map");
    }
    return {};
}

WriteResult CheckMessage(const Message& message, NamedPropertyMap& names, const std::string& where, int depth) {
    if (depth > kMaxEmbeddingDepth) return Invalid(where + ": embedded messages nest too deep");
    if (message.recipients.size() > kMaxRecipients) {
        return Invalid(where + ": more than " + std::to_string(kMaxRecipients) + " recipients");
    }
    if (message.attachments.size() > kMaxAttachments) {
        return Invalid(where + ": more than " + std::to_string(kMaxAttachments) + " attachments");
    }
    if (WriteResult result = CheckBag(message.properties, names, where); result.status != WriteStatus::Ok) {
        return result;
    }
    for (std::size_t i = 0; i < message.recipients.size(); ++i) {
        const std::string place = where + "/recipient " + std::to_string(i);
        if (WriteResult result = CheckBag(message.recipients[i].properties, names, place);
            result.status != WriteStatus::Ok) {
            return result;
        }
    }
    for (std::size_t i = 0; i < message.attachments.size(); ++i) {
        const Attachment& attachment = message.attachments[i];
        const std::string place = where + "/attachment " + std::to_string(i);
        if (WriteResult result = CheckBag(attachment.properties, names, place); result.status != WriteStatus::Ok) {
            return result;
        }
        if (attachment.embeddedMessage) {
            if (WriteResult result = CheckMessage(*attachment.embeddedMessage, names, place + "/message", depth + 1);
                result.status != WriteStatus::Ok) {
                return result;
            }
        }
    }
    return {};
}

}  // namespace

WriteResult CheckMessageTree(const Message& message, NamedPropertyMap& names) {
    return CheckMessage(message, names, "message", 0);
}

}  // namespace mailvane::msg
