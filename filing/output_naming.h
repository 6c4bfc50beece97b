#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace mailvane::filing {

// The output file name for an input file name: every ".eml" replaced by
// ".msg", whatever its case ("B.EML" gives "B.msg", "notes.EML.eml" gives
// "notes.msg.msg"). A name without ".eml" gets ".msg" appended.
std::string OutputFileName(std::string_view inputFileName);

// How a file system counts the 255 that a file name may be long: bytes of
// UTF-8 (Linux), or UTF-16 code units (Windows).
enum class NameUnits { Utf8Bytes, Utf16Units };
inline constexpr std::size_t kLongestFileName = 255;

// The length of a UTF-8 name in `units`.
std::size_t NameLength(std::string_view name, NameUnits units);

// The name that a second, third, ... output of one name takes, as the
// program's saves number them: "a.msg" and 2 give "a (2).msg". The number
// goes before the last extension; a name whose only dot starts it (".msg")
// has no extension and takes the number at its end. A name that would then
// pass kLongestFileName `units` loses the end of what goes before the
// number, cut between characters, so that it fits.
std::string NumberedFileName(std::string_view fileName, unsigned number, NameUnits units);

// The same for a UTF-16 name, counted in UTF-16 units as Windows counts
// it: a surrogate pair is never cut, and a surrogate without its pair
// counts as the one unit it is.
std::u16string NumberedFileName(std::u16string_view fileName, unsigned number);

}  // namespace mailvane::filing
