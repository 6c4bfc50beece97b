#include "engine/charset/charset_registry.h"

#include <array>
#include <charconv>
#include <string>

#include "engine/text/ascii_case.h"

namespace mailvane::charset {
namespace {

struct Entry {
    CharsetInfo info;
    // Other lower-case labels that name the same charset. Windows-numbered
    // forms (cp1251, windows-936, ms932, ...) are found by number instead.
    std::string_view aliases;  // blank-separated
};

constexpr DecoderKind P = DecoderKind::Platform;

// Labels seen in real mail come first where two charsets share a code
// page, so that a number finds the one mailers mean.
constexpr std::array kCharsets{
    Entry{{"utf-8", kCodePageUtf8, DecoderKind::Utf8, kCodePageUtf8, "UTF-8"},
          "utf8 unicode-1-1-utf-8 unicode-2-0-utf-8 unicode20utf8"},
    Entry{{"us-ascii", 20127, DecoderKind::Ascii, 20127, "ASCII"},
          "ascii us ansi_x3.4-1968 ansi_x3.4-1986 iso646-us iso-ir-6 csascii ibm367 cp367 646"},
    Entry{{"windows-1252", kCodePageWindows1252, DecoderKind::Windows1252, kCodePageWindows1252, "WINDOWS-1252"},
          "ms-ansi ansi"},
    Entry{{"iso-8859-1", 28591, DecoderKind::Windows1252, kCodePageWindows1252, "WINDOWS-1252"},
          "latin1 latin-1 l1 iso-ir-100 csisolatin1 ibm819 cp819 8859-1 iso88591"},
    Entry{{"iso-8859-2", 28592, P, 28592, "ISO-8859-2"}, "latin2 latin-2 l2 iso-ir-101 csisolatin2"},
    Entry{{"iso-8859-3", 28593, P, 28593, "ISO-8859-3"}, "latin3 latin-3 l3 iso-ir-109 csisolatin3"},
    Entry{{"iso-8859-4", 28594, P, 28594, "ISO-8859-4"}, "latin4 latin-4 l4 iso-ir-110 csisolatin4"},
    Entry{{"iso-8859-5", 28595, P, 28595, "ISO-8859-5"}, "cyrillic iso-ir-144 csisolatincyrillic"},
    Entry{{"iso-8859-6", 28596, P, 28596, "ISO-8859-6"},
          "arabic iso-8859-6-i iso-8859-6-e iso-ir-127 ecma-114 asmo-708"},
    Entry{{"iso-8859-7", 28597, P, 28597, "ISO-8859-7"}, "greek greek8 iso-ir-126 elot_928 ecma-118 csisolatingreek"},
    Entry{{"iso-8859-8", 28598, P, 28598, "ISO-8859-8"}, "hebrew iso-8859-8-e iso-ir-138 csisolatinhebrew visual"},
    Entry{{"iso-8859-8-i", 38598, P, 28598, "ISO-8859-8"}, "logical"},
    Entry{{"iso-8859-9", 28599, P, 28599, "ISO-8859-9"}, "latin5 latin-5 l5 iso-ir-148 csisolatin5"},
    Entry{{"iso-8859-10", 0, DecoderKind::Latin10, 0, ""}, "latin6 latin-6 l6 iso-ir-157 csisolatin6"},
    Entry{{"windows-874", 874, P, 874, "CP874"}, "tis-620 tis620 iso-8859-11 dos-874"},
    Entry{{"iso-8859-13", 28603, P, 28603, "ISO-8859-13"}, "latin7 latin-7 l7"},
    Entry{{"iso-8859-14", 0, DecoderKind::Latin14, 0, ""}, "latin8 latin-8 l8 iso-ir-199 iso-celtic"},
    Entry{{"iso-8859-15", 28605, P, 28605, "ISO-8859-15"}, "latin9 latin-9 l9 latin0 csisolatin9"},
    Entry{{"iso-8859-16", 0, DecoderKind::Latin16, 0, ""}, "latin10 latin-10 l10 iso-ir-226"},
    Entry{{"windows-1250", 1250, P, 1250, "WINDOWS-1250"}, ""},
    Entry{{"windows-1251", 1251, P, 1251, "WINDOWS-1251"}, ""},
    Entry{{"windows-1253", 1253, P, 1253, "WINDOWS-1253"}, ""},
    Entry{{"windows-1254", 1254, P, 1254, "WINDOWS-1254"}, ""},
    Entry{{"windows-1255", 1255, P, 1255, "WINDOWS-1255"}, ""},
    Entry{{"windows-1256", 1256, P, 1256, "WINDOWS-1256"}, ""},
    Entry{{"windows-1257", 1257, P, 1257, "WINDOWS-1257"}, ""},
    Entry{{"windows-1258", 1258, P, 1258, "WINDOWS-1258"}, ""},
    Entry{{"koi8-r", 20866, P, 20866, "KOI8-R"}, "koi8 koi8r cskoi8r"},
    Entry{{"koi8-u", 21866, P, 21866, "KOI8-U"}, "koi8u koi8-ru"},
    Entry{{"ibm866", 866, P, 866, "IBM866"}, "866 csibm866 dos-866"},
    Entry{{"ibm437", 437, P, 437, "IBM437"}, "437 cspc8codepage437"},
    Entry{{"ibm850", 850, P, 850, "IBM850"}, "850 cspc850multilingual"},
    Entry{{"ibm852", 852, P, 852, "IBM852"}, "852 cspcp852"},
    Entry{{"shift_jis", 932, P, 932, "CP932"}, "shift-jis sjis ms_kanji csshiftjis windows-31j cswindows31j"},
    Entry{{"euc-jp", 51932, DecoderKind::EucJp, 0, ""}, "eucjp euc cseucpkdfmtjapanese"},
    Entry{{"iso-2022-jp", 50220, DecoderKind::Iso2022Jp, 0, ""}, "csiso2022jp jis iso-2022-jp-1"},
    Entry{{"gb2312", 936, P, 936, "CP936"}, "gbk euc-cn csgb2312 chinese gb_2312-80 gb_2312 iso-ir-58 csiso58gb231280"},
    Entry{{"gb18030", 54936, DecoderKind::Gb18030, 54936, "GB18030"}, ""},
    Entry{{"big5", 950, P, 950, "CP950"}, "cn-big5 csbig5 big-5 big5-hkscs"},
    Entry{{"ks_c_5601-1987", 949, P, 949, "CP949"},
          "ks_c_5601-1989 ksc5601 ksc_5601 korean csksc56011987 iso-ir-149 uhc"},
    Entry{{"euc-kr", 51949, P, 949, "CP949"}, "euckr cseuckr"},
    Entry{{"iso-2022-kr", 50225, P, 50225, "ISO-2022-KR"}, "csiso2022kr"},
    Entry{{"utf-16", 1200, DecoderKind::Utf16WithBom, 1200, ""}, "ucs-2 iso-10646-ucs-2 csunicode utf16"},
    Entry{{"utf-16le", 1200, DecoderKind::Utf16Le, 1200, ""}, "unicode utf16le ucs-2le"},
    Entry{{"utf-16be", 1201, DecoderKind::Utf16Be, 1201, ""}, "unicodefffe utf16be ucs-2be"},
    Entry{{"utf-7", 65000, DecoderKind::Utf7, 0, ""},
          "utf7 unicode-1-1-utf-7 unicode-2-0-utf-7 unicode20utf7 csunicode11utf7"},
    Entry{{"macintosh", 10000, P, 10000, "MACINTOSH"}, "mac mac-roman csmacintosh"},
    Entry{{"mac-cyrillic", 10007, P, 10007, "MAC-CYRILLIC"}, "maccyrillic"},
    Entry{{"mac-ukrainian", 10017, P, 10017, "MACUKRAINIAN"}, "macukrainian"},
    Entry{{"mac-centraleurope", 10029, P, 10029, "MAC-CENTRALEUROPE"}, "mac-ce maccentraleurope"},
    Entry{{"mac-icelandic", 10079, P, 10079, "MAC-IS"}, "macicelandic"},
};

bool ListContains(std::string_view list, std::string_view word) {
    while (!list.empty()) {
        const auto blank = list.find(' ');
        if (list.substr(0, blank) == word) {
            return true;
        }
        if (blank == std::string_view::npos) {
            break;
        }
        list.remove_prefix(blank + 1);
    }
    return false;
}

const CharsetInfo* FindExact(std::string_view name) {
    for (const auto& entry : kCharsets) {
        if (entry.info.canonicalName == name || ListContains(entry.aliases, name)) {
            return &entry.info;
        }
    }
    return nullptr;
}

const CharsetInfo* FindByCodePage(int number) {
    for (const auto& entry : kCharsets) {
        if (entry.info.codePage == number) {
            return &entry.info;
        }
    }
    for (const auto& entry : kCharsets) {
        if (entry.info.platformCodePage == number) {
            return &entry.info;
        }
    }
    return nullptr;
}

// "cp1251", "windows-1251", "ms-1251", "ibm866", "dos-866" and the like.
const CharsetInfo* FindNumbered(std::string_view name) {
    for (std::string_view prefix : {"windows-", "cp-", "cp", "ms-", "ms", "ibm-", "ibm", "dos-"}) {
        if (!name.starts_with(prefix)) {
            continue;
        }
        const auto digits = name.substr(prefix.size());
        int number = 0;
        const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
        if (error == std::errc{} && end == digits.data() + digits.size() && !digits.empty()) {
            return FindByCodePage(number);
        }
    }
    return nullptr;
}

// "iso8859-2", "iso_8859-2:1987", "iso88592", "8859-2" all mean ISO-8859-2.
std::string NormaliseIsoLatin(std::string_view name) {
    if (const auto colon = name.find(':'); colon != std::string_view::npos) {
        name = name.substr(0, colon);
    }
    for (std::string_view prefix : {"iso-8859", "iso_8859", "iso8859", "iso 8859"}) {
        if (name.starts_with(prefix)) {
            auto rest = name.substr(prefix.size());
            if (!rest.empty() && (rest.front() == '-' || rest.front() == '_')) {
                rest.remove_prefix(1);
            }
            return "iso-8859-" + std::string(rest);
        }
    }
    return std::string(name);
}

}  // namespace

const CharsetInfo* FindCharset(std::string_view label) {
    std::string name;
    for (char c : label) {
        if (c != '"' && c != '\'' && c != ' ' && c != '\t') {
            name.push_back(text::AsciiLower(c));
        }
    }
    if (name.empty()) {
        return nullptr;
    }
    while (true) {
        if (const auto* found = FindExact(name)) {
            return found;
        }
        if (const auto* found = FindExact(NormaliseIsoLatin(name))) {
            return found;
        }
        if (const auto* found = FindNumbered(name)) {
            return found;
        }
        // Private-use prefixes, even doubled ("x-sjis", "x-mac-cyrillic",
        // "x-x-big5"), name the same charsets.
        if (!name.starts_with("x-")) {
            break;
        }
        name.erase(0, 2);
    }
    return nullptr;
}

const CharsetInfo& ShiftJisCharset() { return *FindExact("shift_jis"); }

}  // namespace mailvane::charset
