#pragma once

#include <string>
#include <string_view>

namespace mailvane::mapping {

// Readable plain text for an HTML body: markup removed, script, style and
// head contents dropped, character references decoded, <br>, paragraphs,
// headings, list items and table rows turned into line breaks (CRLF),
// blanks collapsed outside <pre>.
std::u16string HtmlToText(std::u16string_view html);

}  // namespace mailvane::mapping
