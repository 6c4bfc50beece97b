#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "engine/charset/charset_decoder.h"
#include "engine/charset/unlabelled_text.h"
#include "engine/charset/utf7_decoder.h"
#include "tests/support/utf8_text.h"

namespace mailvane::charset {
namespace {

using namespace std::string_literals;
using testing::Utf8;

struct Row {
    const char* charset;
    std::string bytes;
    const char* expected;  // UTF-8
    int codePage;
};

// One row per supported family; the same table runs natively (iconv) and
// under Windows (MultiByteToWideChar), so both sides of the seam agree.
const Row kFamilies[] = {
    {"utf-8", "caf\xC3\xA9 \xF0\x9F\x98\x80", "café 😀", 65001},
    {"us-ascii", "plain", "plain", 20127},
    {"iso-8859-1", "caf\xE9", "café", 28591},
    {"iso-8859-1", "\x80 \x93quoted\x94", "€ “quoted”", 28591},  // what mailers mean by Latin-1
    {"iso-8859-2",
     "\xA3\xF3"
     "d\xBC",
     "Łódź", 28592},
    {"iso-8859-3", "\xA1", "Ħ", 28593},
    {"iso-8859-4", "\xA1", "Ą", 28594},
    {"iso-8859-5", "\xBF\xE0\xD8\xD2\xD5\xE2", "Привет", 28595},
    {"iso-8859-6", "\xC7", "ا", 28596},
    {"iso-8859-7", "\xE1\xE2\xE3", "αβγ", 28597},
    {"iso-8859-8", "\xE0", "א", 28598},
    {"iso-8859-8-i", "\xE0", "א", 38598},
    {"iso-8859-9", "\xF0", "ğ", 28599},
    {"iso-8859-10", "\xA1\xBD", "Ą―", 0},
    {"iso-8859-11", "\xA1", "ก", 874},
    {"iso-8859-13", "\xA1", "”", 28603},
    {"iso-8859-14", "\xA1", "Ḃ", 0},
    {"iso-8859-15", "\xA4", "€", 28605},
    {"iso-8859-16", "\xA4\xAA", "€Ș", 0},
    {"windows-1250", "\x8A", "Š", 1250},
    {"windows-1251", "\xCF\xF0\xE8\xE2\xE5\xF2", "Привет", 1251},
    {"windows-1252", "\x80", "€", 1252},
    {"windows-1253", "\xE1", "α", 1253},
    {"windows-1254", "\xF0", "ğ", 1254},
    {"windows-1255", "\xE0", "א", 1255},
    {"windows-1256", "\xC7", "ا", 1256},
    {"windows-1257", "\xE0", "ą", 1257},
    {"windows-1258", "\xE0", "à", 1258},
    {"koi8-r", "\xF0\xD2\xC9\xD7\xC5\xD4", "Привет", 20866},
    {"koi8-u", "\xA4", "є", 21866},
    {"ibm866", "\x8F\xE0\xA8\xA2\xA5\xE2", "Привет", 866},
    {"shift_jis", "\x83\x65\x83\x58\x83\x67", "テスト", 932},
    {"euc-jp", "\xA5\xC6\xA5\xB9\xA5\xC8\x8E\xB1", "テストｱ", 51932},
    {"iso-2022-jp", "\x1B$B%F%9%H\x1B(B ok", "テスト ok", 50220},
    {"gb2312", "\xD6\xD0\xCE\xC4", "中文", 936},
    {"gbk", "\xD6\xD0\xCE\xC4", "中文", 936},
    {"gb18030", "\xD6\xD0\xCE\xC4", "中文", 54936},
    {"big5", "\xA4\xA4\xA4\xE5", "中文", 950},
    {"euc-kr", "\xC7\xD1\xB1\xB9", "한국", 51949},
    {"ks_c_5601-1987", "\xC7\xD1\xB1\xB9", "한국", 949},
    {"utf-16",
     "\xFF\xFE"
     "a\0b\0"s,
     "ab", 1200},
    {"utf-16", "\0a\0b"s, "ab", 1200},
    {"utf-16le", "a\0=\xD8\0\xDE"s, "a😀", 1200},
    {"utf-16be", "\0a"s, "a", 1201},
    {"utf-7", "Hi Mom -+Jjo--!", "Hi Mom -☺-!", 65000},
    {"tis-620", "\xA1", "ก", 874},
    {"windows-874", "\xA1", "ก", 874},
    {"macintosh", "\x8E", "é", 10000},
    {"x-mac-cyrillic", "\x80", "А", 10007},
};

TEST(CharsetDecoder, DecodesEveryFamily) {
    for (const auto& row : kFamilies) {
        const auto decoded = DecodeToUtf16(row.bytes, row.charset);
        EXPECT_EQ(Utf8(decoded.text), row.expected) << row.charset;
        EXPECT_FALSE(decoded.usedFallback) << row.charset;
        EXPECT_EQ(CodePageForCharset(row.charset), row.codePage) << row.charset;
    }
}

// Decoders of the same charset are used again from one message to the
// next: each use starts in the charset's initial state, whatever the one
// before left behind, and however many other charsets came between.
TEST(CharsetDecoder, EachDecodingStartsAfresh) {
    for (int pass = 0; pass < 3; ++pass) {
        for (const auto& row : kFamilies) {
            EXPECT_EQ(Utf8(DecodeToUtf16(row.bytes, row.charset).text), row.expected) << row.charset << " " << pass;
        }
    }
#ifndef _WIN32
    // iconv keeps a shift state in its descriptor. Left in the two-byte set
    // by a cut or broken text, the next text still starts in ASCII ("GQ" in
    // the two-byte set would be "한").
    for (const char* broken : {"\x1B$)C\x0EG", "\x1B$)C\x0EGQ\xFF", "\x1B$)C\x0E"}) {
        (void)DecodeToUtf16(broken, "iso-2022-kr");
        const auto decoded = DecodeToUtf16("GQ ok", "iso-2022-kr");
        EXPECT_EQ(Utf8(decoded.text), "GQ ok") << broken;
        EXPECT_FALSE(decoded.usedFallback) << broken;
    }
    EXPECT_EQ(Utf8(DecodeToUtf16("\x1B$)C\x0EGQ\x0F ok", "iso-2022-kr").text), "한 ok");
#endif
    // A cut multi-byte character is not carried into the next text.
    (void)DecodeToUtf16("\xC7", "euc-kr");
    EXPECT_EQ(Utf8(DecodeToUtf16("\xC7\xD1", "euc-kr").text), "한");
}

TEST(CharsetDecoder, Aliases) {
    const std::pair<const char*, const char*> aliases[] = {
        {"UTF8", "utf-8"},
        {"\"utf-8\"", "utf-8"},
        {" UTF-8 ", "utf-8"},
        {"latin1", "iso-8859-1"},
        {"ISO_8859-1:1987", "iso-8859-1"},
        {"iso8859-2", "iso-8859-2"},
        {"ISO88592", "iso-8859-2"},
        {"ascii", "us-ascii"},
        {"ANSI_X3.4-1968", "us-ascii"},
        {"cp1251", "windows-1251"},
        {"x-cp1250", "windows-1250"},
        {"ms-1252", "windows-1252"},
        {"x-sjis", "shift_jis"},
        {"ms932", "shift_jis"},
        {"cp932", "shift_jis"},
        {"windows-31j", "shift_jis"},
        {"x-euc-jp", "euc-jp"},
        {"csISO2022JP", "iso-2022-jp"},
        {"x-gbk", "gb2312"},
        {"cp936", "gb2312"},
        {"cp949", "ks_c_5601-1987"},
        {"x-x-big5", "big5"},
        {"cp866", "ibm866"},
        {"koi8", "koi8-r"},
        {"unicode-1-1-utf-7", "utf-7"},
        {"x-unicode20utf8", "utf-8"},
        {"x-mac-roman", "macintosh"},
        {"x-mac-ce", "mac-centraleurope"},
        {"cp28592", "iso-8859-2"},
        {"cp65001", "utf-8"},
        {"TIS620", "tis-620"},
        {"cp874", "windows-874"},
        {"unicode", "utf-16le"},
    };
    for (const auto& [alias, canonical] : aliases) {
        EXPECT_NE(CodePageForCharset(alias), 0) << alias;
        EXPECT_EQ(CodePageForCharset(alias), CodePageForCharset(canonical)) << alias;
    }
}

struct FallbackRow {
    const char* charset;
    std::string bytes;
    const char* expected;
    bool usedFallback;
};

TEST(CharsetDecoder, FallsBackWithoutLosingText) {
    const FallbackRow rows[] = {
        {"", "plain", "plain", false},
        {"", "caf\xC3\xA9", "café", false},
        {"", "caf\xE9", "café", true},
        {"x-unknown", "plain", "plain", true},
        {"x-unknown", "caf\xC3\xA9", "café", true},
        {"x-unknown", "caf\xE9", "café", true},
        {"us-ascii", "caf\xC3\xA9", "café", true},
        {"us-ascii", "caf\xE9", "café", true},
        {"iso-2022-jp", "\x1B$B%", "\x1B$B%", true},
        {"euc-jp", "\x8F\xB0\xA1", "\xC2\x8F°¡", true},  // JIS X 0212 has no Shift_JIS form
        {"utf-16", "\xDC\x41",
         "\xC3\x9C"
         "A",
         true},  // lone low surrogate
        {"windows-1252", "\x81\x8D\x8F\x90\x9D", "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D", false},
    };
    for (const auto& row : rows) {
        const auto decoded = DecodeToUtf16(row.bytes, row.charset);
        EXPECT_EQ(Utf8(decoded.text), row.expected) << row.charset << " " << row.bytes;
        EXPECT_EQ(decoded.usedFallback, row.usedFallback) << row.charset << " " << row.bytes;
    }
}

// A part labelled UTF-8 stays UTF-8 whatever few bytes of it are broken:
// each invalid sequence becomes one U+FFFD, as the WHATWG decoder reads it
// (the longest start of a valid sequence, else one byte), and the rest of
// the text is untouched instead of read as windows-1252 for their sake.
TEST(CharsetDecoder, LabelledUtf8ReplacesOnlyWhatIsBroken) {
    const std::pair<std::string, const char*> rows[] = {
        {"Caf\xC3\xA9 \xE9", "Café \xEF\xBF\xBD"},
        {"caf\xE9", "caf\xEF\xBF\xBD"},
        {"\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},                  // an encoded surrogate: three bytes
        {"\xC0\xAF", "\xEF\xBF\xBD\xEF\xBF\xBD"},                                  // an overlong form: two
        {"\xF4\x90\x80\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},  // past U+10FFFF
        {"\xE2\x82\xAC\xE2\x82", "€\xEF\xBF\xBD"},                                 // a character cut at the end: one
        {"\xF0\x9F\x98!", "\xEF\xBF\xBD!"},                                        // cut before another character
        {"\xE2\x82\xE2\x82\xAC", "\xEF\xBF\xBD€"},
        {"\xEF\xBB\xBF\xFF bom", "\xEF\xBF\xBD bom"},  // the byte-order mark still goes
        {"\x80\xBF\xFE", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
        {"\xF0\x9F\x98\x80 \xC3", "\xF0\x9F\x98\x80 \xEF\xBF\xBD"},
    };
    for (const auto& [bytes, expected] : rows) {
        for (const char* label : {"utf-8", "UTF8", "unicode-1-1-utf-8"}) {
            const auto decoded = DecodeToUtf16(bytes, label);
            EXPECT_EQ(Utf8(decoded.text), expected) << label << " " << bytes;
            EXPECT_FALSE(decoded.usedFallback) << label << " " << bytes;
            EXPECT_TRUE(decoded.replacedBytes) << label << " " << bytes;
            EXPECT_FALSE(DecodesCleanly(bytes, label)) << label << " " << bytes;
        }
    }
    // Without a label the same bytes are no UTF-8 and go down the fallback.
    const auto unlabelled = DecodeToUtf16("Caf\xC3\xA9 \xE9", "");
    EXPECT_EQ(Utf8(unlabelled.text), "CafÃ© é");
    EXPECT_TRUE(unlabelled.usedFallback);
}

// So with the double-byte charsets the platform reads: a lead byte that ends
// the text or stands before a byte no character goes on with becomes one
// U+FFFD, and the characters around it stay as labelled, where the whole
// part used to be read as windows-1252.
TEST(CharsetDecoder, LabelledDoubleByteTextReplacesOnlyWhatIsBroken) {
    struct Row {
        const char* charset;
        std::string bytes;
        const char* expected;
    };
    const Row rows[] = {
        {"shift_jis", "\x82\xB1\x82\xF1\x82 end", "こん\xEF\xBF\xBD end"},
        {"shift_jis", "\x82\xB1\x82", "こ\xEF\xBF\xBD"},  // cut at the end
        {"shift_jis", "\x83", "\xEF\xBF\xBD"},
        {"shift_jis", "\xB1\x82\r\n\x82\xB1", "ｱ\xEF\xBF\xBD\r\nこ"},
        {"big5", "\xA7\x41\xA6\n\xA5\x40", "你\xEF\xBF\xBD\n世"},
        {"gb2312", "\xC4\xE3\xBA!\xBA\xC3", "你\xEF\xBF\xBD!好"},
        {"gb18030", "\xC4\xE3\x81\x30\xC4\xE3",
         "你\xEF\xBF\xBD"
         "0你"},  // a four-byte form cut short
        {"euc-kr", "\xBE\xC8\xB3 \xC7\xCF", "안\xEF\xBF\xBD 하"},
        {"ks_c_5601-1987", "\xBE", "\xEF\xBF\xBD"},
    };
    for (const Row& row : rows) {
        const auto decoded = DecodeToUtf16(row.bytes, row.charset);
        EXPECT_EQ(Utf8(decoded.text), row.expected) << row.charset;
        EXPECT_FALSE(decoded.usedFallback) << row.charset;
        EXPECT_TRUE(decoded.replacedBytes) << row.charset;
        EXPECT_FALSE(DecodesCleanly(row.bytes, row.charset)) << row.charset;
    }
    // A long text with one bad character keeps all the others.
    std::string text;
    for (int i = 0; i < 5000; ++i) text += "\x82\xB1";
    text += "\x82";
    for (int i = 0; i < 5000; ++i) text += " \x82\xF1";
    const auto decoded = DecodeToUtf16(text, "shift_jis");
    EXPECT_EQ(decoded.text.size(), 5000u + 1u + 10000u);
    EXPECT_EQ(decoded.text[5000], u'\uFFFD');
    EXPECT_EQ(decoded.text.back(), u'ん');
}

// GB18030's four-byte forms are read by the engine's own table, the same on
// every platform: Wine has no code page 54936 and read the part as GBK,
// whose decoder refused them, so that the whole part came out as
// windows-1252 on Windows only.
TEST(CharsetDecoder, Gb18030FourByteFormsReadAlikeEverywhere) {
    const std::pair<std::string, std::u16string> rows[] = {
        {"\x81\x39\xA7\x39", u"\u30FB"},
        {"\x81\x30\x81\x30", u"\u0080"},  // the first pointer
        {"\x84\x31\xA4\x39", u"\uFFFF"},  // the last of the plane
        {"\x90\x30\x81\x30", u"\U00010000"},
        {"\xE3\x32\x9A\x35", u"\U0010FFFF"},
        {"\xA5\xCF\xA5\xED\xA9\x60\x81\x39\xA7\x39\xA5\xEF", u"\u30CF\u30ED\u30FC\u30FB\u30EF"},
        {"a\x81\x30\x89\x38z", u"a\u00DFz"},
    };
    for (const auto& [bytes, expected] : rows) {
        const auto decoded = DecodeToUtf16(bytes, "gb18030");
        EXPECT_EQ(decoded.text, expected) << bytes;
        EXPECT_FALSE(decoded.usedFallback) << bytes;
        EXPECT_FALSE(decoded.replacedBytes) << bytes;
    }
    // Pointers between the planes name no character.
    const auto between = DecodeToUtf16("\x84\x31\xA5\x30!", "gb18030");
    EXPECT_EQ(between.text.substr(0, 1), u"\uFFFD");
    EXPECT_EQ(between.text.back(), u'!');
    EXPECT_TRUE(between.replacedBytes);
}

// The check that spares making the text must say what decoding would: for
// every family, valid and broken bytes, truncated sequences and a BOM.
TEST(CharsetDecoder, DecodesCleanlyAgreesWithDecoding) {
    const char* const charsets[] = {"utf-8",      "us-ascii",  "windows-1252", "iso-8859-1",  "iso-8859-16",
                                    "iso-8859-2", "shift_jis", "iso-2022-jp",  "utf-16",      "utf-16le",
                                    "utf-7",      "koi8-r",    "x-unknown",    "iso-8859-14", "euc-jp"};
    const std::string inputs[] = {"",
                                  "plain text\r\n",
                                  "caf\xC3\xA9",
                                  "caf\xE9",
                                  "\xEF\xBB\xBF"
                                  "bom",
                                  "\xEF\xBB",
                                  "\xF0\x9F\x98\x80 four bytes",
                                  "\xF0\x9F\x98",
                                  "\xED\xA0\x80",
                                  "\xC0\xAF",
                                  "\xF4\x90\x80\x80",
                                  "\xE2\x82\xAC\xE2\x82",
                                  "\x83",
                                  "\x1B$B%",
                                  std::string("q\x00u\x00!", 5),
                                  "\x80\x81\xFF"};
    for (const char* charset : charsets) {
        for (const auto& bytes : inputs) {
            const auto decoded = DecodeToUtf16(bytes, charset);
            EXPECT_EQ(DecodesCleanly(bytes, charset), !decoded.usedFallback && !decoded.replacedBytes)
                << charset << " " << bytes;
        }
    }
}

// UTF-16 cut in its last code unit: the whole characters stay in UTF-16,
// only the byte left over is lost, and it shows.
TEST(CharsetDecoder, OddLengthUtf16KeepsItsWholeCharacters) {
    struct Row {
        const char* charset;
        std::string bytes;
        std::u16string expected;
    };
    const Row rows[] = {
        {"utf-16", std::string("\xFF\xFEq\x00u", 5), u"q\uFFFD"},
        {"utf-16", std::string("\xFE\xFF\x00q\x00", 5), u"q\uFFFD"},
        {"utf-16", std::string("\x00q\x00u\x00", 5), u"qu\uFFFD"},  // big-endian without a mark
        {"utf-16le", std::string("q\x00u\x00!", 5), u"qu\uFFFD"},
        {"utf-16be", std::string("\x00q\x00", 3), u"q\uFFFD"},
        {"utf-16le", "x", u"\uFFFD"},
        {"utf-16le", std::string("\x3D\xD8\x00\xDE!", 5), u"\U0001F600\uFFFD"},  // a whole surrogate pair
    };
    for (const auto& row : rows) {
        const auto decoded = DecodeToUtf16(row.bytes, row.charset);
        EXPECT_EQ(Utf8(decoded.text), Utf8(row.expected)) << row.charset;
        EXPECT_FALSE(decoded.usedFallback) << row.charset;
        EXPECT_TRUE(decoded.replacedBytes) << row.charset;
    }
    const auto whole = DecodeToUtf16(std::string("\xFF\xFEq\x00", 4), "utf-16");
    EXPECT_EQ(Utf8(whole.text), "q");
    EXPECT_FALSE(whole.replacedBytes);
}

// Read as 8-bit, UTF-16 under a wrong label became letters with NULs
// between them, and the first NUL ended the message body.
TEST(CharsetDecoder, Utf16UnderAWrongLabelOrNoneIsRead) {
    struct Row {
        const char* charset;
        std::string bytes;
        std::u16string expected;
    };
    const Row rows[] = {
        {"BadCharset", "\0a\0b\0\r\0\n\0c"s, u"ab\r\nc"},   {"BadCharset", "a\0b\0\xE9\0"s, u"ab\u00E9"},
        {"", "\xFF\xFE\x3A\x04\x3E\x04"s, u"\u043A\u043E"},  // a mark says so whatever the letters
        {"x-unknown", "\xFE\xFF\x04\x3A"s, u"\u043A"},      {"", "\0a\0b\0c\x01\x41"s, u"abc\u0141"},
    };
    for (const auto& row : rows) {
        const auto decoded = DecodeToUtf16(row.bytes, row.charset);
        EXPECT_EQ(Utf8(decoded.text), Utf8(row.expected)) << row.charset;
        EXPECT_TRUE(decoded.usedFallback) << row.charset;
    }
    // Bytes that only now and then hold a NUL are not UTF-16.
    for (const std::string& bytes : {"ab\0c"s, "\0abc"s, "a\0\0b"s, "\0a\0"s}) {
        const auto decoded = DecodeToUtf16(bytes, "x-unknown");
        EXPECT_EQ(decoded.text.size(), bytes.size()) << bytes.size();
    }
}

// Raw 8-bit header bytes are read in a charset the message declares for
// its text before the UTF-8 and windows-1252 fallback.
TEST(UnlabelledText, TriesTheMessagesOwnCharsetsFirst) {
    struct Case {
        std::string bytes;
        std::vector<std::string> declared;
        const char* expected;  // UTF-8
    };
    const Case cases[] = {
        {"\xA4\xA4\xA4\xE5", {"big5"}, "中文"},
        {"\xA4\xA4\xA4\xE5", {}, "¤¤¤å"},
        {"\xA4\xA4\xA4\xE5", {"us-ascii", "utf-16", "x-unknown", "big5"}, "中文"},
        {"\xD6\xD0\xCE\xC4", {"utf-8", "gb2312"}, "中文"},
        {"\x83"
         "e\x83"
         "X\x83"
         "g",
         {"shift_jis"},
         "テスト"},
        // UTF-8 reads itself whatever single-byte charset is declared.
        {"caf\xC3\xA9", {"iso-8859-1"}, "café"},
        {"caf\xC3\xA9", {"iso-8859-2"}, "café"},
        // What is not UTF-8 takes the declared single-byte charset.
        {"\xA3\xF3"
         "d\xBC",
         {"iso-8859-2"},
         "Łódź"},
        // A multi-byte charset that does not fit the bytes is passed over.
        {"Jos\xE9 Garc\xED"
         "a",
         {"big5"},
         "José García"},
        {"plain ascii", {"big5"}, "plain ascii"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Utf8(DecodeUnlabelledText(c.bytes, c.declared)), c.expected) << c.bytes;
    }
}

// Our own UTF-7 decoder: the same text on every platform. Runs that are
// not well formed stay as written.
TEST(Utf7Decoder, Table) {
    const std::pair<std::string, const char*> rows[] = {
        {"Hi Mom -+Jjo--!", "Hi Mom -\u263A-!"},
        {"A+ImIDkQ.", "A\u2262\u0391."},
        {"+ZeVnLIqe-", "\u65E5\u672C\u8A9E"},
        {"+ZeVnLIqe", "\u65E5\u672C\u8A9E"},
        {"Item 3 is +AKM-1.", "Item 3 is \u00A31."},
        {"1 +- 1 = 2", "1 + 1 = 2"},
        {"+AD4 On 3/1/19\r\n+AD4 +AD4 wiki", "> On 3/1/19\r\n> > wiki"},
        {"+2D3eAA-", "\U0001F600"},
        {"", ""},
        // Not well formed: kept byte for byte.
        {"Pb+1\r\nfkWe", "Pb+1\r\nfkWe"},
        {"+AD5-", "+AD5-"},
        {"+2D0-x", "+2D0-x"},
        {"+3gA-", "+3gA-"},
        {"a+!b", "a+!b"},
        {"end+", "end+"},
        {"+AD4AP", "+AD4AP"},
    };
    for (const auto& [bytes, expected] : rows) {
        const auto decoded = DecodeUtf7(bytes);
        ASSERT_TRUE(decoded) << bytes;
        EXPECT_EQ(Utf8(*decoded), expected) << bytes;
    }
    EXPECT_FALSE(DecodeUtf7("caf\xE9"));
    EXPECT_EQ(Utf8(DecodeToUtf16("+AD4 quoted", "UTF-7").text), "> quoted");
    const auto eightBit = DecodeToUtf16("caf\xC3\xA9", "utf-7");
    EXPECT_TRUE(eightBit.usedFallback);
    EXPECT_EQ(Utf8(eightBit.text), "caf\xC3\xA9");
}

TEST(CharsetDecoder, UnknownNamesHaveNoCodePage) {
    for (const char* name : {"", "x-unknown", "utf-9", "iso-8859-99", "cp", "windows-"}) {
        EXPECT_EQ(CodePageForCharset(name), 0) << name;
    }
}

TEST(CharsetDecoder, EveryByteOfLatin1SurvivesTheFallback) {
    std::string all;
    for (int b = 1; b < 256; ++b) {
        all.push_back(static_cast<char>(b));
    }
    const auto decoded = DecodeToUtf16(all, "x-unknown");
    EXPECT_TRUE(decoded.usedFallback);
    EXPECT_EQ(decoded.text.size(), all.size());
}

// ASCII is taken eight bytes at a time: runs of every length, starting at
// every place relative to those blocks and ending next to characters of
// two and three bytes, come through unchanged.
TEST(CharsetDecoder, Utf8AsciiRunsOfEveryLengthAndPlace) {
    for (std::size_t before = 0; before < 10; ++before) {
        for (std::size_t run = 0; run < 26; ++run) {
            std::string text(before, 'a');
            text += "\xC3\xA9";  // é
            for (std::size_t i = 0; i < run; ++i) text += static_cast<char>('!' + (i * 7) % 94);
            text += "\xE2\x82\xAC";  // €
            const auto decoded = DecodeToUtf16(text, "utf-8");
            EXPECT_FALSE(decoded.usedFallback) << before << " " << run;
            EXPECT_EQ(Utf8(decoded.text), text) << before << " " << run;
            EXPECT_EQ(decoded.text.size(), before + run + 2) << before << " " << run;
        }
    }
}

// Single-byte text is widened eight ASCII bytes at a time: any byte at any
// place among them decodes as it does alone, and the ASCII around it is
// unchanged. A byte above 0x7F anywhere in US-ASCII text is not ASCII.
TEST(CharsetDecoder, SingleByteTextWithAnyByteAnywhere) {
    const std::string ascii = "The quick brown fox, 24.";
    for (int b = 1; b < 256; ++b) {
        const std::string byte(1, static_cast<char>(b));
        const std::u16string alone = DecodeToUtf16(byte, "windows-1252").text;
        ASSERT_EQ(alone.size(), 1u) << b;
        for (std::size_t at = 0; at < ascii.size(); ++at) {
            std::string text = ascii;
            text[at] = static_cast<char>(b);
            std::u16string expected(ascii.begin(), ascii.end());
            expected[at] = alone[0];
            EXPECT_EQ(DecodeToUtf16(text, "windows-1252").text, expected) << b << " at " << at;
            const auto strict = DecodeToUtf16(text, "us-ascii");
            EXPECT_EQ(strict.usedFallback, b >= 0x80) << b << " at " << at;
            if (b < 0x80) {
                EXPECT_EQ(strict.text, expected) << b << " at " << at;
            }
        }
    }
}

}  // namespace
}  // namespace mailvane::charset
