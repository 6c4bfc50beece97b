#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace mailvane::mbox {

// The labels of a Gmail export's X-Gmail-Labels field value, as written
// (UTF-8), each once, in the order met. Labels are separated by commas; a
// label that holds a comma or a quote is written in double quotes, with a
// quote inside doubled or escaped by a backslash. Folded lines are
// unfolded, blanks around a label dropped, and empty labels left out.
std::vector<std::string> ParseGmailLabels(std::string_view value);

}  // namespace mailvane::mbox
