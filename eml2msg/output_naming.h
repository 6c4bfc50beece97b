#pragma once

#include <string>
#include <string_view>

namespace mailvane::cli {

// The output file name for an input file name: every ".eml" replaced by
// ".msg", whatever its case ("B.EML" gives "B.msg", "notes.EML.eml" gives
// "notes.msg.msg"). A name without ".eml" gets ".msg" appended.
std::string OutputFileName(std::string_view inputFileName);

}  // namespace mailvane::cli
