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

TEST(LanguageLocale, CodePagesOfOneLanguageToLocaleIds) {
    struct Row {
        int codePage;
        std::optional<std::int32_t> lcid;
    };
    const Row rows[] = {
        {950, 0x0404},          // Big5: zh-TW, as Outlook's poi-10 file holds
        {1251, 0x0419},         // windows-1251: ru-RU, as its poi-11 file holds
        {20866, 0x0419},        // KOI8-R
        {21866, 0x0422},        // KOI8-U: Ukrainian, not Russian
        {936, 0x0804},          // GBK
        {932, 0x0411},          // Shift_JIS
        {50220, 0x0411},        // ISO-2022-JP
        {949, 0x0412},          // Korean
        {28597, 0x0408},        // ISO-8859-7
        {20127, std::nullopt},  // us-ascii, Latin-1, windows-1252 and UTF-8 write many languages
        {28591, std::nullopt},  //
        {1252, std::nullopt},   //
        {65001, std::nullopt},  //
        {0, std::nullopt},      // no code page
    };
    for (const Row& row : rows) EXPECT_EQ(LocaleIdForCodePage(row.codePage), row.lcid) << row.codePage;
}

}  // namespace
}  // namespace mailvane::mapping
