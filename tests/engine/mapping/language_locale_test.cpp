#include "engine/mapping/language_locale.h"

#include <gtest/gtest.h>

namespace mailvane::mapping {
namespace {

TEST(LanguageLocale, TagsToLocaleIds) {
    struct Row {
        const char* contentLanguage;
        std::optional<std::int32_t> lcid;
    };
    const Row rows[] = {
        {"de", 0x0407},               // a bare language: its usual locale, as Outlook writes it
        {"fr", 0x040C},               //
        {"en-US", 0x0409},            //
        {"en-us", 0x0409},            // tags compare without case
        {"en_GB", 0x0809},            // and with the underscore some mailers write
        {"pt-BR", 0x0416},            //
        {"pt-PT", 0x0816},            //
        {"zh-TW", 0x0404},            //
        {"sr-Latn-RS", 0x241A},       // a script subtag
        {"de-IT", 0x0407},            // an unknown region: the language's usual locale
        {" es-MX , en", 0x080A},      // a list: the first tag, blanks ignored
        {"i-klingon", std::nullopt},  // unknown language
        {"", std::nullopt},
        {", de", std::nullopt},  // an empty first tag
    };
    for (const Row& row : rows) EXPECT_EQ(LocaleIdForLanguage(row.contentLanguage), row.lcid) << row.contentLanguage;
}

}  // namespace
}  // namespace mailvane::mapping
