#pragma once

#include <string>
#include <string_view>

namespace mailvane::cli {

// The output file name for an input file name: every ".eml" replaced by
// ".msg", whatever its case ("B.EML" gives "B.msg", "notes.EML.eml" gives
// "notes.msg.msg"). A name without ".eml" gets ".msg" appended.
std::string OutputFileName(std::string_view inputFileName);

// The name that a second, third, ... output of one name takes, as the
// program's saves number them: "a.msg" and 2 give "a (2).msg". The number
// goes before the last extension; a name whose only dot starts it (".msg")
// has no extension and takes the number at its end.
std::string NumberedFileName(std::string_view fileName, unsigned number);

}  // namespace mailvane::cli
