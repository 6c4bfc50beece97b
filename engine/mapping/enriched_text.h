#pragma once

#include <string>
#include <string_view>

namespace mailvane::mapping {

// Plain text for a text/enriched body (RFC 1896): formatting commands
// ("<bold>", "</italic>", unknown ones alike) dropped, "<<" read as "<",
// the contents of <param> dropped, and line breaks read as the RFC says:
// outside <nofill>, one line break is a blank and n in a row make n-1;
// inside <nofill> each one stands. A '<' that opens no valid command is
// kept as text. Line breaks come out as LF.
std::u16string EnrichedToText(std::u16string_view enriched);

}  // namespace mailvane::mapping
