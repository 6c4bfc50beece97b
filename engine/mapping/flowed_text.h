#pragma once

#include <string>
#include <string_view>

namespace mailvane::mapping {

// The text of a format=flowed body (RFC 3676) as the paragraphs it stands
// for: space-stuffing removed, each flowed line (one ending in a blank,
// except the "-- " signature separator) joined with the next line of the
// same quote depth, the trailing blank dropped too when `deleteSpace`.
std::u16string UnflowText(std::u16string_view text, bool deleteSpace);

}  // namespace mailvane::mapping
