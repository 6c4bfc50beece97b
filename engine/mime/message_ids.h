#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace mailvane::mime {

// Message identifiers of Message-ID, In-Reply-To or References, each
// returned with its angle brackets ("<a@b>").
std::vector<std::string> ParseMessageIds(std::string_view raw);

}  // namespace mailvane::mime
