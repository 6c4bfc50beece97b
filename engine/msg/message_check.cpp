#include "engine/msg/message_check.h"

#include <string>

#include "engine/msg/msg_storage_layout.h"
#include "engine/msg/property_check.h"

namespace mailvane::msg {

namespace {

WriteResult Invalid(std::string detail) { return WriteResult{WriteStatus::Invalid, std::move(detail)}; }

// What is wrong with the bag, or nothing; the caller names the place, so
// that no text is made while every bag is sound.
std::string CheckBag(const PropertyBag& bag, NamedPropertyMap& names) {
    for (const Property& property : bag.Fixed()) {
        if (TagId(property.tag) >= kFirstNamedId) return "a tag in the named property range; use SetNamed";
        if (std::string problem = CheckPropertyValue(property.tag, property.value); !problem.empty()) return problem;
    }
    for (const NamedProperty& property : bag.Named()) {
        if (std::string problem = CheckPropertyValue(MakeTag(kFirstNamedId, property.type), property.value);
            !problem.empty()) {
            return "named " + problem;
        }
        if (!names.Add(property.name)) return "more named properties than a message file can map";
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
    if (std::string problem = CheckBag(message.properties, names); !problem.empty()) {
        return Invalid(where + ": " + problem);
    }
    for (std::size_t i = 0; i < message.recipients.size(); ++i) {
        if (std::string problem = CheckBag(message.recipients[i].properties, names); !problem.empty()) {
            return Invalid(where + "/recipient " + std::to_string(i) + ": " + problem);
        }
    }
    for (std::size_t i = 0; i < message.attachments.size(); ++i) {
        const Attachment& attachment = message.attachments[i];
        const auto place = [&] { return where + "/attachment " + std::to_string(i); };
        if (std::string problem = CheckBag(attachment.properties, names); !problem.empty()) {
            return Invalid(place() + ": " + problem);
        }
        if (attachment.embeddedMessage) {
            if (WriteResult result = CheckMessage(*attachment.embeddedMessage, names, place() + "/message", depth + 1);
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
