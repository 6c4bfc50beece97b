#pragma once

#include <span>
#include <string>

#include "engine/mime/message_parser.h"
#include "engine/msg/message.h"

namespace mailvane::mapping {

// The header block of `entity` as received, for PidTagTransportMessageHeaders:
// raw bytes read as UTF-8 (windows-1252 where they are not), Exchange's
// organisation-internal X-MS-Exchange-Organization-* and
// X-MS-Exchange-Forest-* fields left out.
std::u16string TransportHeaderText(const mime::ParsedMessage& parsed, const mime::MimeEntity& entity);

// Every header field without a property of its own as a PS_INTERNET_HEADERS
// named property (the field name as the string name, the first field of a
// name only, the value decoded as unstructured text, raw 8-bit bytes in the
// first of `declaredCharsets` that fits).
void MapOtherHeaders(const mime::HeaderList& headers, msg::PropertyBag& properties,
                     std::span<const std::string> declaredCharsets = {});

}  // namespace mailvane::mapping
