#pragma once

#include <string_view>

namespace mailvane::charset {

// How bytes of a charset become UTF-16: by the platform's converter, or by
// a decoder of our own where the platform has none or where mailers mean
// something other than the label says.
enum class DecoderKind {
    Platform,  // iconv name / Windows code page below
    Utf8,
    Utf16Le,
    Utf16Be,
    Utf16WithBom,  // big-endian unless a byte-order mark says otherwise
    Ascii,         // 7-bit only; 8-bit bytes make the text undecodable
    Windows1252,   // also what ISO-8859-1 and Latin-1 labels mean in mail
    Latin10,       // ISO-8859-10, -14 and -16: Windows has no code page for them
    Latin14,
    Latin16,
    Iso2022Jp,  // JIS X 0208 shifted into Shift_JIS, then the platform's cp932
    EucJp,
    Utf7,     // our own: the platforms' converters disagree on ill-formed input
    Gb18030,  // four-byte forms our own (Wine has no code page 54936), the rest the platform's
};

// The code pages the engine names outside the table: UTF-8, in which any
// text can be written, and windows-1252, what 8-bit text without a usable
// label is read as.
inline constexpr int kCodePageUtf8 = 65001;
inline constexpr int kCodePageWindows1252 = 1252;

struct CharsetInfo {
    std::string_view canonicalName;  // the MIME name, lower case
    int codePage;                    // Windows code page written to messages; 0 when Windows has none
    DecoderKind decoder;
    int platformCodePage;        // what MultiByteToWideChar gets for DecoderKind::Platform
    std::string_view iconvName;  // what iconv gets for DecoderKind::Platform
};

// The charset a MIME label names (any case, common aliases and x-, cp, ms-
// prefixes), or null when it is unknown.
const CharsetInfo* FindCharset(std::string_view label);

// The charset the Shift_JIS-based decoders hand their output to.
const CharsetInfo& ShiftJisCharset();

}  // namespace mailvane::charset
