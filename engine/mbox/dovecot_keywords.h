#pragma once

#include <array>
#include <string>
#include <string_view>

namespace mailvane::mbox {

// The keywords a Maildir folder's `dovecot-keywords` file names for the
// letters a-z of its file names' info: letter a for keyword 0, b for 1, and
// so on. Empty for a letter the file does not name.
using DovecotKeywords = std::array<std::string, 26>;

// Reads the file's text: one keyword a line, "<number> <name>" (LF or CRLF
// line ends; carriage returns at a line's end are no part of it). A line whose number is past 25 or missing, or whose
// name is empty, names nothing; a number named twice keeps its last name. The names are kept as written (IMAP keywords
// are ASCII atoms; other bytes pass through for the caller to judge).
DovecotKeywords ParseDovecotKeywords(std::string_view text);

}  // namespace mailvane::mbox
