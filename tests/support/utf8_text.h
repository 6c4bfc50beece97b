#pragma once

#include <string>

namespace mailvane::testing {

// UTF-16 as UTF-8, so that failures print readably.
std::string Utf8(const std::u16string& text);

}  // namespace mailvane::testing
