#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/msg/message.h"
#include "engine/pst/name_to_id_map.h"
#include "engine/pst/node_content.h"
#include "engine/pst/table_context.h"

namespace mailvane::pst {

// A message as a store holds it: its property context, with the subnodes
// of its recipient table (0x692), its attachment table (0x671, when it has
// attachments) and each attachment's context (type Attachment), an
// attached message a message subnode of its attachment ([MS-PST] 2.4.5,
// 2.4.6). The properties are those the message file of the same message
// holds, named ones numbered through the store's map.
struct MessageContent {
    NodeContent content;
    // The cells of the contents-table columns given, copied from the
    // message's properties: what the folder keeps of it until Finish.
    std::vector<TableCell> row;
    std::uint32_t flags = 0;  // PidTagMessageFlags
    std::uint32_t size = 0;   // PidTagMessageSize: the external bytes of the node and its subnodes
};

// nullopt, with `error` set, when a value could not be made or a name has
// no id left.
std::optional<MessageContent> BuildMessageContent(const msg::Message& message, NameToIdMap& names,
                                                  const std::vector<std::uint32_t>& rowColumns, std::string& error);

// The bytes of every block of `content` and of its subnodes, recursively:
// the size [MS-PST] stores give a message and an attachment.
std::uint64_t ContentBytes(const NodeContent& content);

}  // namespace mailvane::pst
