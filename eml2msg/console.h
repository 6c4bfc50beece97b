#pragma once

#include <string_view>

namespace mailvane::cli {

enum class Stream { Output, Error };

// True when the stream goes to a terminal (a console window on Windows).
bool IsTerminal(Stream stream);

// Writes UTF-8 text to the stream in one piece, so that lines written by
// one call are never cut by another's. A console on Windows gets the text
// as UTF-16; files and pipes get the bytes.
void WriteText(Stream stream, std::string_view text);

}  // namespace mailvane::cli
