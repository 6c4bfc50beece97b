#pragma once

#include <limits>
#include <string>
#include <vector>

#include "engine/mapping/body_selection.h"
#include "engine/mapping/html_references.h"
#include "engine/mapping/streamed_body.h"
#include "engine/mapping/uuencoded_blocks.h"
#include "engine/msg/message.h"

namespace mailvane::mapping {

// Which bodies are made while the file is written rather than held whole:
// those of at least `fromBytes` bytes in a charset read in pieces.
// `source` is the message's source and what keeps it alive; a body that
// lies in it is read from there, a decoded one from its own bytes, shared,
// and a view of a source only lent (no `source`) from a copy.
struct BodyStreaming {
    SharedBytes source;
    std::size_t fromBytes = std::numeric_limits<std::size_t>::max();  // none unless the caller says
};

struct MappedBody {
    // The HTML, for finding cid: and location references: decoded, or for
    // a body made while the file is written its bytes, read as HtmlToText
    // reads them; neither when the message has no other part the HTML
    // could draw.
    std::u16string htmlText;
    SharedBytes htmlBytes;
    HtmlByteCharset htmlCharset;

    HtmlReferences FindHtmlReferences() const;
    std::vector<UuencodedFile> uuencoded;  // taken out of the plain text
};

// Writes the body properties for the promoted parts: PidTagBody (the plain
// part, text/enriched rendered as text, else text derived from the HTML,
// else the calendar text; CRLF line ends), PidTagHtml with PidTagInternetCodepage (the original bytes when
// their charset has a code page, else UTF-8 and 65001), PidTagRtfCompressed
// (the HTML encapsulated, else RTF made from the text), PidTagNativeBody and
// PidTagRtfInSync. `withOtherParts` says whether the message has parts
// besides the body, which the HTML's references may draw.
MappedBody MapBody(const BodySelection& selection, bool withOtherParts, const BodyStreaming& streaming,
                   msg::PropertyBag& properties);

}  // namespace mailvane::mapping
