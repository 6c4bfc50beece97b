#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace mailvane::mapping {

// The Windows locale id (LCID) for the first language tag of a
// Content-Language value ("de", "en-US", "fr-ca, en"), for
// PidTagMessageLocaleId. A tag with a region unknown here falls back to
// its language's usual locale ("de-IT" -> de-DE, 1031), as a bare language
// does; nothing for a language the table does not hold.
std::optional<std::int32_t> LocaleIdForLanguage(std::string_view contentLanguage);

}  // namespace mailvane::mapping
