#pragma once

#include <string>
#include <string_view>

namespace mailvane::cli {

// Whether a backslash is escaped too. Where it separates folders (Windows,
// whose names hold no control characters to be escaped) it is kept.
enum class Backslash { Escaped, Kept };

// Text as a message line shows it, escaped in the C style of GNU `ls -b`:
// \a \b \t \n \v \f \r, other control bytes (C0, DEL), bytes that are no
// UTF-8 and the bytes of characters that hide or reorder text (C1
// controls, bidirectional formatting: IsHiddenOrReordering) as \ooo in
// octal (ESC is \033), a backslash as \\ when asked. Printable UTF-8 stays as
// it is. So a name holding a line end or an escape sequence keeps to its
// one line and never drives the terminal.
std::string EscapedText(std::string_view text, Backslash backslash);

}  // namespace mailvane::cli
