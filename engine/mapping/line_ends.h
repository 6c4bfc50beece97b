#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace mailvane::mapping {

// The text with every line end as CRLF: a CR or an LF on its own becomes
// CRLF, and a CR that only precedes a CRLF (bodies that encode "=0D" before
// their line end) adds no line of its own. Text whose line ends are all
// CRLF already, the usual case, is kept as it is. The conversion is made in
// place when the string has room for what it adds, so that a large body
// is not held twice; without the room, into a new string.
std::u16string WithCrLfLineEnds(std::u16string text);

// How many code units WithCrLfLineEnds can add to the text of these bytes
// at most, when the bytes are in an encoding where CR and LF are the bytes
// 0x0D and 0x0A: one for each of those bytes not part of a CRLF. For other
// encodings, a number that means nothing, which does no harm as room.
std::size_t LineEndGrowthBound(std::string_view bytes);

}  // namespace mailvane::mapping
