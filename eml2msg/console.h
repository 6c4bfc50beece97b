#pragma once

#include <string>
#include <string_view>

namespace mailvane::cli {

enum class Stream { Output, Error };

// True when the stream goes to a terminal (a console window on Windows).
bool IsTerminal(Stream stream);

// Writes UTF-8 text to the stream in one piece, so that lines written by
// one call are never cut by another's. A console on Windows gets the text
// as UTF-16; files and pipes get the bytes.
void WriteText(Stream stream, std::string_view text);

// Writes one message line (the line end is added) to the error stream with
// what it names escaped (EscapedText, a backslash as this platform needs),
// so that a name cannot break the line or reach the terminal as commands.
// The text of a message is otherwise printable, so escaping all of it
// escapes just the names.
void WriteMessageLine(std::string_view prefix, std::string_view text);

}  // namespace mailvane::cli
