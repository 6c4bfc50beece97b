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

// The locale id for a Windows code page that writes one language (Big5 ->
// zh-TW, 1028; windows-1251 -> ru-RU, 1049), for a mail that names no
// language; nothing for a code page shared by many (us-ascii, Latin-1,
// UTF-8).
std::optional<std::int32_t> LocaleIdForCodePage(int codePage);

}  // namespace mailvane::mapping
