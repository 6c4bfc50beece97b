#include "engine/mime/encoded_words.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace mailvane::mime {
namespace {

using test::Utf8;

struct Row {
    const char* raw;
    const char* expected;  // UTF-8
};

TEST(DecodeUnstructured, EncodedWordTable) {
    const Row rows[] = {
        {"", ""},
        {"plain subject", "plain subject"},
        {"=?utf-8?Q?caf=C3=A9?=", "café"},
        {"=?UTF-8?q?caf=c3=a9?=", "café"},
        {"=?ISO-8859-1?Q?caf=E9?=", "café"},
        {"=?utf-8?B?Y2Fmw6k=?=", "café"},
        {"=?utf-8?b?Y2Fmw6k=?=", "café"},
        {"=?utf-8?Q?a_b?=", "a b"},
        {"=?utf-8?Q?a=5Fb?=", "a_b"},
        {"Re: =?utf-8?Q?caf=C3=A9?= now", "Re: café now"},
        // Blanks between adjacent words vanish, also across a fold.
        {"=?utf-8?Q?a?= =?utf-8?Q?b?=", "ab"},
        {"=?utf-8?Q?a?=\r\n =?utf-8?Q?b?=", "ab"},
        {"=?utf-8?Q?a?=\t \t=?utf-8?Q?b?=", "ab"},
        {"=?utf-8?Q?a?= x =?utf-8?Q?b?=", "a x b"},
        // Characters split across words: bytes joined before decoding.
        {"=?utf-8?Q?caf=C3?= =?utf-8?Q?=A9?=", "café"},
        {"=?utf-8?B?4g==?= =?utf-8?B?gqw=?=", "€"},
        {"=?utf-8?B?Y2Fmw6?= =?utf-8?B?k=?=", "café"},  // base64 cut mid-quantum
        {"=?utf-8?B?4g==?= =?UTF-8?Q?=82=AC?=", "€"},   // B then Q, one charset
        // Each charset its own decoding.
        {"=?iso-8859-1?Q?caf=E9?= =?utf-8?Q?_na=C3=AFve?=", "café naïve"},
        {"=?koi8-r?B?8NLJ18XU?=", "Привет"},
        {"=?shift_jis?B?g2WDWINn?=", "テスト"},
        {"=?ISO-2022-JP?B?GyRCJUYlOSVIGyhC?=", "テスト"},
        {"=?utf-8*en?Q?hi?=", "hi"},
        // Lenient: words glued to other text, as real mailers send them.
        {"foo=?utf-8?Q?=C3=A9?=bar", "fooébar"},
        // Malformed words stay as written.
        {"=?utf-8?X?abc?=", "=?utf-8?X?abc?="},
        {"=?utf-8?Q?unterminated", "=?utf-8?Q?unterminated"},
        {"=??Q?a?=", "=??Q?a?="},
        {"=?utf-8?Q", "=?utf-8?Q"},
        {"a =? b ?= c", "a =? b ?= c"},
        // Unknown charset: the bytes still come through.
        {"=?x-unknown?Q?caf=C3=A9?=", "café"},
        {"=?x-unknown?Q?caf=E9?=", "café"},
        // Raw 8-bit text: UTF-8 when valid, else windows-1252.
        {"caf\xC3\xA9", "café"},
        {"caf\xE9 \x80", "café €"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(Utf8(DecodeUnstructured(row.raw)), row.expected) << row.raw;
    }
}

// Openers that never close are read once, not once per opener.
TEST(DecodeUnstructured, ManyUnclosedWordsStayLinear) {
    std::string raw;
    for (int i = 0; i < 200000; ++i) {
        raw += "=?c?Q? ";
    }
    EXPECT_EQ(Utf8(DecodeUnstructured(raw)), raw);
}

TEST(MatchEncodedWord, ReportsItsParts) {
    const std::string_view text = "x =?Windows-1252*fr?q?a_b?= y";
    const auto word = MatchEncodedWord(text, 2);
    ASSERT_TRUE(word.has_value());
    EXPECT_EQ(word->begin, 2u);
    EXPECT_EQ(text.substr(word->end), " y");
    EXPECT_EQ(word->charset, "Windows-1252");
    EXPECT_EQ(word->encoding, 'Q');
    EXPECT_EQ(word->encodedText, "a_b");
    EXPECT_FALSE(MatchEncodedWord(text, 0).has_value());
}

}  // namespace
}  // namespace mailvane::mime
