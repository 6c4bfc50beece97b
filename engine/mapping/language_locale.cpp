#include "engine/mapping/language_locale.h"

#include <string>

#include "engine/text/ascii_case.h"

namespace mailvane::mapping {

namespace {

struct Locale {
    std::string_view tag;  // lower case
    std::int32_t lcid;
};

// Locale ids of Windows ([MS-LCID]). A language's usual locale comes first
// among its tags: a bare "de" takes the first "de-" entry. Outlook writes
// these values for the same tags (Content-Language: de -> 1031, fr -> 1036,
// en-US -> 1033).
constexpr Locale kLocales[] = {
    {"en-us", 0x0409},      {"en-gb", 0x0809},      {"en-au", 0x0C09},      {"en-ca", 0x1009},  {"en-nz", 0x1409},
    {"en-ie", 0x1809},      {"en-za", 0x1C09},      {"en-in", 0x4009},      {"en-sg", 0x4809},  {"de-de", 0x0407},
    {"de-ch", 0x0807},      {"de-at", 0x0C07},      {"de-lu", 0x1007},      {"de-li", 0x1407},  {"fr-fr", 0x040C},
    {"fr-be", 0x080C},      {"fr-ca", 0x0C0C},      {"fr-ch", 0x100C},      {"fr-lu", 0x140C},  {"es-es", 0x0C0A},
    {"es-mx", 0x080A},      {"es-ar", 0x2C0A},      {"es-co", 0x240A},      {"es-cl", 0x340A},  {"es-us", 0x540A},
    {"it-it", 0x0410},      {"it-ch", 0x0810},      {"nl-nl", 0x0413},      {"nl-be", 0x0813},  {"pt-br", 0x0416},
    {"pt-pt", 0x0816},      {"sv-se", 0x041D},      {"sv-fi", 0x081D},      {"da-dk", 0x0406},  {"nb-no", 0x0414},
    {"no-no", 0x0414},      {"nn-no", 0x0814},      {"fi-fi", 0x040B},      {"is-is", 0x040F},  {"et-ee", 0x0425},
    {"lv-lv", 0x0426},      {"lt-lt", 0x0427},      {"pl-pl", 0x0415},      {"cs-cz", 0x0405},  {"sk-sk", 0x041B},
    {"hu-hu", 0x040E},      {"ro-ro", 0x0418},      {"bg-bg", 0x0402},      {"hr-hr", 0x041A},  {"sl-si", 0x0424},
    {"sr-latn-rs", 0x241A}, {"sr-cyrl-rs", 0x281A}, {"mk-mk", 0x042F},      {"sq-al", 0x041C},  {"el-gr", 0x0408},
    {"tr-tr", 0x041F},      {"ru-ru", 0x0419},      {"uk-ua", 0x0422},      {"be-by", 0x0423},  {"kk-kz", 0x043F},
    {"hy-am", 0x042B},      {"ka-ge", 0x0437},      {"az-latn-az", 0x042C}, {"he-il", 0x040D},  {"ar-sa", 0x0401},
    {"ar-eg", 0x0C01},      {"ar-ae", 0x3801},      {"fa-ir", 0x0429},      {"ur-pk", 0x0420},  {"hi-in", 0x0439},
    {"bn-in", 0x0445},      {"ta-in", 0x0449},      {"te-in", 0x044A},      {"mr-in", 0x044E},  {"th-th", 0x041E},
    {"vi-vn", 0x042A},      {"id-id", 0x0421},      {"ms-my", 0x043E},      {"fil-ph", 0x0464}, {"zh-cn", 0x0804},
    {"zh-tw", 0x0404},      {"zh-hk", 0x0C04},      {"zh-sg", 0x1004},      {"zh-mo", 0x1404},  {"ja-jp", 0x0411},
    {"ko-kr", 0x0412},      {"ca-es", 0x0403},      {"eu-es", 0x042D},      {"gl-es", 0x0456},  {"cy-gb", 0x0452},
    {"ga-ie", 0x083C},      {"af-za", 0x0436},      {"sw-ke", 0x0441},      {"mt-mt", 0x043A},  {"lb-lu", 0x046E},
};

struct CodePageLocale {
    int codePage;
    std::int32_t lcid;
};

// Outlook gives a mail without Content-Language the locale of its code
// page's language: Big5 mail is zh-TW and windows-1251 mail ru-RU in its
// files. The other code pages here each write one language too (Cyrillic
// ones Russian, but KOI8-U Ukrainian), and take that language's locale from
// the table above.
constexpr CodePageLocale kCodePageLocales[] = {
    {950, 0x0404},   {936, 0x0804},   {54936, 0x0804}, {20936, 0x0804}, {52936, 0x0804}, {932, 0x0411},
    {50220, 0x0411}, {50221, 0x0411}, {50222, 0x0411}, {51932, 0x0411}, {20932, 0x0411}, {949, 0x0412},
    {51949, 0x0412}, {50225, 0x0412}, {1251, 0x0419},  {20866, 0x0419}, {28595, 0x0419}, {866, 0x0419},
    {21866, 0x0422}, {1253, 0x0408},  {28597, 0x0408}, {1255, 0x040D},  {28598, 0x040D}, {38598, 0x040D},
    {1256, 0x0401},  {28596, 0x0401}, {708, 0x0401},   {874, 0x041E},   {1254, 0x041F},  {28599, 0x041F},
    {1258, 0x042A},
};

}  // namespace

std::optional<std::int32_t> LocaleIdForCodePage(int codePage) {
    for (const CodePageLocale& entry : kCodePageLocales) {
        if (entry.codePage == codePage) return entry.lcid;
    }
    return std::nullopt;
}

std::optional<std::int32_t> LocaleIdForLanguage(std::string_view contentLanguage) {
    std::string tag;
    for (char c : contentLanguage.substr(0, contentLanguage.find(','))) {
        if (c == ' ' || c == '\t') continue;
        tag += c == '_' ? '-' : text::AsciiLower(c);
    }
    if (tag.empty()) return std::nullopt;
    for (const Locale& locale : kLocales) {
        if (locale.tag == tag) return locale.lcid;
    }
    const std::string language = tag.substr(0, tag.find('-')) + '-';
    for (const Locale& locale : kLocales) {
        if (locale.tag.starts_with(language)) return locale.lcid;
    }
    return std::nullopt;
}

}  // namespace mailvane::mapping
