#pragma once

#include <string>
#include <vector>

#include "engine/mapping/body_selection.h"
#include "engine/mapping/uuencoded_blocks.h"
#include "engine/msg/message.h"

namespace mailvane::mapping {

struct MappedBody {
    // The HTML decoded, ASCII letters in lower case, for finding cid: and
    // location references; empty when there is no multipart/related part.
    std::u16string htmlText;
    std::vector<UuencodedFile> uuencoded;  // taken out of the plain text
};

// Writes the body properties for the promoted parts: PidTagBody (the plain
// part, text/enriched rendered as text, else text derived from the HTML,
// else the calendar text; CRLF line ends), PidTagHtml with PidTagInternetCodepage (the original bytes when
// their charset has a code page, else UTF-8 and 65001), PidTagRtfCompressed
// (the HTML encapsulated, else RTF made from the text), PidTagNativeBody and
// PidTagRtfInSync.
MappedBody MapBody(const BodySelection& selection, msg::PropertyBag& properties);

}  // namespace mailvane::mapping
