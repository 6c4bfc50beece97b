#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace mailvane::testing {

// The HTML that `rtf` encapsulates, following the de-encapsulation rules for
// `\fromhtml1` RTF: empty when `rtf` is not HTML-encapsulated or its groups
// do not balance. Only tests and the fuzzer read encapsulated HTML back.
std::optional<std::string> ExtractEncapsulatedHtml(std::string_view rtf);

}  // namespace mailvane::testing
