#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace mailvane::filing {

// A file name made from any text (a subject), safe on Linux and Windows:
// UTF-8, no control characters (C1 ones too), no invisible or
// bidirectional formatting characters (IsHiddenOrReordering), none of
// / \ : * ? " < > |, blanks run together, no blanks or dots at either end, never "." or "..", no
// reserved Windows device name (CON, NUL, COM1, ... get a "_" in front),
// and at most `maxBytes` bytes, cut between characters. Invalid UTF-8
// bytes become "_". Empty when nothing usable is left.
std::string SafeFileName(std::string_view text, std::size_t maxBytes);

// A folder name made from a store's folder or label name (UTF-8), as one
// level of an output path: SafeFileName within the 255 of a name, and "_"
// when nothing usable is left, so that a level is never empty nor ".".
std::string SafeFolderName(std::string_view text);

}  // namespace mailvane::filing
