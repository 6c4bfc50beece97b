#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace mailvane::mime {

// RFC 5322 and obsolete date forms, and the forms real mailers write
// besides: ISO 8601 ("2007-11-09 18:37:09", UTC unless a zone follows),
// twelve-hour times ("06:09:22 PM"), a leading weekday in any language.
// A date written twice, or followed by junk, is read up to the end of its
// first complete copy.
// Converted to UTC: seconds since 1970-01-01T00:00:00Z. Empty when the text
// is not a date.
std::optional<std::int64_t> ParseDateTime(std::string_view raw);

}  // namespace mailvane::mime
