#include "engine/rtf/rtf_encapsulation.h"

#include <gtest/gtest.h>

#include <random>

#include "rtf_test_inputs.h"
#include "tests/support/rtf/html_extraction.h"

namespace mailvane::rtf {
namespace {

using testing::ExtractEncapsulatedHtml;

// What a plain RTF reader shows: text outside "\*" destinations and the
// font and colour tables, with control words dropped and \'hh and \uN kept
// as markers. Written apart from the extractor so the two check each other.
std::string VisibleText(std::string_view rtf) {
    std::string out;
    std::vector<bool> hidden{false};
    for (std::size_t i = 0; i < rtf.size(); ++i) {
        const char c = rtf[i];
        if (c == '{') {
            const bool starts = rtf.substr(i + 1, 2) == "\\*" || rtf.substr(i + 1, 8) == "\\fonttbl" ||
                                rtf.substr(i + 1, 9) == "\\colortbl";
            hidden.push_back(hidden.back() || starts);
        } else if (c == '}') {
            if (hidden.size() > 1) hidden.pop_back();
        } else if (c == '\\' && i + 1 < rtf.size()) {
            const char n = rtf[i + 1];
            if (n == '\\' || n == '{' || n == '}') {
                if (!hidden.back()) out += n;
                ++i;
            } else if (n == '\'') {
                if (!hidden.back()) out += "#" + std::string(rtf.substr(i + 2, 2));
                i += 3;
            } else {
                std::size_t j = i + 1;
                while (j < rtf.size() && std::isalpha(static_cast<unsigned char>(rtf[j]))) ++j;
                const std::string word(rtf.substr(i + 1, j - i - 1));
                while (j < rtf.size() && (std::isdigit(static_cast<unsigned char>(rtf[j])) || rtf[j] == '-')) ++j;
                if (!hidden.back() && word == "par") out += '\n';
                if (j < rtf.size() && rtf[j] == ' ') ++j;
                if (word == "u") {
                    if (!hidden.back()) out += "#u";
                    ++j;  // the one-character fallback that \uc1 announces
                }
                i = j - 1;
            }
        } else if (c != '\r' && c != '\n' && !hidden.back()) {
            out += c;
        }
    }
    return out;
}

struct HtmlCase {
    const char* name;
    std::string html;
    int codePage;
};

const std::vector<HtmlCase>& HtmlCases() {
    static const std::vector<HtmlCase> cases = {
        {"empty", "", 1252},
        {"text only", "Hello world", 1252},
        {"simple document", "<html><head><title>T</title></head><body><p>Hello <b>world</b></p></body></html>", 1252},
        {"rtf specials in text", "a\\b {c} \\par {\\*\\htmltag1 x}", 1252},
        {"rtf specials in attributes", "<a href=\"x\\y{z}\" title='}{'>link</a>", 1252},
        {"line ends of every kind", "<p>one\r\ntwo\nthree\rfour\r\n\r\n</p>\n", 1252},
        {"tabs and control bytes", "<pre>\tx\x01y\x7f</pre>", 1252},
        {"entities", "&amp; &lt;&gt; &nbsp;&quot;&#233;&#x20AC;&#128512; &bogus; & alone &;", 1252},
        {"style and script with braces", "<style>p { color: red; }</style><script>if (a) { b(); }</script>x", 1252},
        {"comment", "<!-- a <b> comment -- with } -->after", 1252},
        {"unclosed tag", "text <a href=\"never closed", 1252},
        {"unclosed comment", "<!-- never closed", 1252},
        {"lone angle brackets", "1 < 2 and 3 > 2, x<-y", 1252},
        {"latin-1 bytes", "caf\xe9 na\xefve \x80 \xa0\xff", 1252},
        {"cyrillic bytes", "\xcf\xf0\xe8\xe2\xe5\xf2", 1251},
        {"utf-8", "<p>caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80</p>", 65001},
        {"invalid utf-8", "bad \xc3 \xe2\x82 \xff\xfe \xed\xa0\x80 \xc0\xaf end", 65001},
        {"shift_jis with a backslash trail byte", "\x83\x5c\x83\x7b\x83\x7d text", 932},
        {"gbk", "\xc4\xe3\xba\xc3", 936},
        {"head text stays markup", "<head>\r\n<meta charset=utf-8>\r\n</head><body>b</body>", 65001},
        {"uppercase tags", "<HTML><BODY><P>Hi<BR>there</P></BODY></HTML>", 1252},
    };
    return cases;
}

TEST(RtfEncapsulation, DeEncapsulationGivesBackTheHtmlExactly) {
    for (const HtmlCase& c : HtmlCases()) {
        const std::string rtf = EncapsulateHtml(c.html, c.codePage);
        EXPECT_EQ(ExtractEncapsulatedHtml(rtf), c.html) << c.name << "\n" << rtf;
    }
}

TEST(RtfEncapsulation, StartsWithTheHtmlHeader) {
    EXPECT_TRUE(
        EncapsulateHtml("<p>x</p>", 1252).starts_with("{\\rtf1\\ansi\\ansicpg1252\\fromhtml1 \\deff0{\\fonttbl"));
    EXPECT_TRUE(EncapsulateHtml("x", 65001).starts_with("{\\rtf1\\ansi\\ansicpg65001\\fromhtml1 \\deff0{\\fonttbl"));
    EXPECT_TRUE(EncapsulateHtml("x", 1251).find("\\fcharset204") != std::string::npos);
}

TEST(RtfEncapsulation, RtfReadersSeeTextButNoMarkup) {
    struct Row {
        const char* html;
        int codePage;
        const char* visible;
    };
    const std::vector<Row> rows = {
        {"<p>Hello <b>world</b></p>", 1252, "Hello world\n"},
        {"<head><title>Not shown</title></head><body>Shown</body>", 1252, "Shown"},
        {"a<br>b", 1252, "a\nb"},
        {"x &amp; y", 1252, "x & y"},
        {"caf\xe9", 1252, "caf#e9"},
        {"caf\xc3\xa9", 65001, "caf#u"},
        {"{braces} \\slash", 1252, "{braces} \\slash"},
        {"<style>p{}</style>t", 1252, "t"},
        {"one\r\ntwo", 1252, "one two"},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(VisibleText(EncapsulateHtml(r.html, r.codePage)), r.visible) << r.html;
    }
}

TEST(RtfEncapsulation, RandomMarkupRoundTrips) {
    std::mt19937 rng(42);
    static constexpr const char* kPieces[] = {"<",
                                              ">",
                                              "&",
                                              ";",
                                              "/",
                                              "\\",
                                              "{",
                                              "}",
                                              "\"",
                                              "'",
                                              " ",
                                              "\r",
                                              "\n",
                                              "\t",
                                              "#",
                                              "x",
                                              "amp",
                                              "<p>",
                                              "</p>",
                                              "<!--",
                                              "-->",
                                              "\xc3\xa9",
                                              "\xe2\x82\xac",
                                              "\xff",
                                              "\x81\x5c",
                                              "<script>",
                                              "</script>",
                                              "\x01"};
    for (int round = 0; round < 3000; ++round) {
        std::string html;
        const std::size_t pieces = rng() % 40;
        for (std::size_t i = 0; i < pieces; ++i) html += kPieces[rng() % std::size(kPieces)];
        for (int codePage : {1252, 65001, 932}) {
            ASSERT_EQ(ExtractEncapsulatedHtml(EncapsulateHtml(html, codePage)), html)
                << "code page " << codePage << " round " << round;
        }
    }
}

TEST(RtfEncapsulation, ExtractionRefusesRtfThatIsNotFromHtml) {
    const std::vector<std::pair<const char*, std::string>> rows = {
        {"plain text rtf", RtfFromPlainText(u"hello")},
        {"no rtf at all", "<html>hello</html>"},
        {"empty", ""},
        {"fromhtml after content", "{\\rtf1\\ansi hello \\fromhtml1 {\\*\\htmltag0 <p>}}"},
        {"fromhtml0", "{\\rtf1\\ansi\\fromhtml0 {\\*\\htmltag0 <p>}}"},
        {"unbalanced open", "{\\rtf1\\ansi\\fromhtml1 {\\*\\htmltag0 <p>}"},
        {"unbalanced close", "{\\rtf1\\ansi\\fromhtml1 }}"},
        {"truncated escape", "{\\rtf1\\ansi\\fromhtml1 \\'4"},
    };
    for (const auto& [name, rtf] : rows) {
        EXPECT_FALSE(ExtractEncapsulatedHtml(rtf)) << name;
    }
}

TEST(RtfEncapsulation, ExtractionFollowsTheDeEncapsulationRules) {
    struct Row {
        const char* name;
        const char* rtf;
        const char* html;
    };
    const std::vector<Row> rows = {
        {"htmlrtf hides rtf-only text", "{\\rtf1\\ansi\\fromhtml1 a\\htmlrtf b\\htmlrtf0 c}", "ac"},
        {"par and tab", "{\\rtf1\\ansi\\fromhtml1 {\\*\\htmltag0 <p>\\par\\tab x}y\\par z}", "<p>\r\n\txy\r\nz"},
        {"other destinations are skipped", "{\\rtf1\\ansi\\fromhtml1 {\\fonttbl{\\f0 Arial;}}{\\*\\foo bar}t}", "t"},
        {"unicode with fallback in utf-8", "{\\rtf1\\ansi\\ansicpg65001\\fromhtml1 \\uc1\\u233?x}", "\xc3\xa9x"},
        {"unicode elsewhere becomes a reference", "{\\rtf1\\ansi\\ansicpg1252\\fromhtml1 \\u8364?}", "&#8364;"},
        {"surrogate pair", "{\\rtf1\\ansi\\ansicpg65001\\fromhtml1 \\u-10179?\\u-8704?}", "\xf0\x9f\x98\x80"},
        {"htmlrtf is scoped to its group", "{\\rtf1\\ansi\\fromhtml1 {\\htmlrtf a}b}", "b"},
        {"binary data skipped", "{\\rtf1\\ansi\\fromhtml1 {\\*\\pict\\bin3 }}}}x}", "x"},
        {"trailing NUL after the document", "{\\rtf1\\ansi\\fromhtml1 x}\r\n", "x"},
    };
    for (const Row& r : rows) {
        std::string rtf = r.rtf;
        if (std::string_view(r.name) == "trailing NUL after the document") rtf += '\0';
        EXPECT_EQ(ExtractEncapsulatedHtml(rtf), std::string(r.html)) << r.name;
    }
}

TEST(RtfEncapsulation, ExtractionSurvivesEveryTruncation) {
    const std::string rtf = EncapsulateHtml(HtmlCases()[2].html, 1252);
    for (std::size_t size = 0; size < rtf.size(); ++size) {
        EXPECT_FALSE(ExtractEncapsulatedHtml(rtf.substr(0, size))) << size;
    }
    std::mt19937 rng(1);
    for (int round = 0; round < 2000; ++round) {
        std::string garbled = rtf;
        for (int k = 0; k < 3; ++k) garbled[rng() % garbled.size()] = static_cast<char>(rng());
        (void)ExtractEncapsulatedHtml(garbled);
    }
    EXPECT_FALSE(ExtractEncapsulatedHtml(std::string(100000, '{')));
}

TEST(RtfFromPlainText, EscapesAndBreaksLines) {
    struct Row {
        const char16_t* text;
        const char* body;
    };
    const std::vector<Row> rows = {
        {u"", ""},
        {u"hello", "hello"},
        {u"a\r\nb\nc\rd", "a\\par\r\nb\\par\r\nc\\par\r\nd"},
        {u"{x}\\y", "\\{x\\}\\\\y"},
        {u"\tx", "\\tab x"},
        {u"caf\u00e9", "caf\\u233?"},
        {u"\u20ac", "\\u8364?"},
        {u"\uff01", "\\u-255?"},
        {u"\U0001F600", "\\u-10179?\\u-8704?"},
    };
    for (const Row& r : rows) {
        const std::string rtf = RtfFromPlainText(r.text);
        const std::string_view prefix = "\\pard\\plain\\f0\\fs20 ";
        const std::size_t start = rtf.find(prefix);
        ASSERT_NE(start, std::string::npos);
        ASSERT_TRUE(rtf.starts_with("{\\rtf1\\ansi"));
        ASSERT_TRUE(rtf.ends_with("}"));
        EXPECT_EQ(rtf.substr(start + prefix.size(), rtf.size() - start - prefix.size() - 1), r.body);
    }
}

// Text handed over in pieces, cut anywhere (between the CR and the LF of a
// line end too), makes the RTF the whole text makes.
TEST(RtfFromPlainText, PiecesMakeTheRtfOfTheWhole) {
    const std::u16string text = u"a\r\nb\nc\r\rd{x}\\\tcaf\u00e9\U0001F600\r\n\r";
    const std::string whole = RtfFromPlainText(text);
    for (std::size_t first = 0; first <= text.size(); ++first) {
        for (std::size_t second = first; second <= text.size(); ++second) {
            std::string rtf;
            const RtfPieces collect = [&](std::string_view piece) { rtf += piece; };
            PlainTextRtf pieces(collect, text.size());
            pieces.Append(std::u16string_view(text).substr(0, first));
            pieces.Append(std::u16string_view(text).substr(first, second - first));
            pieces.Append(std::u16string_view(text).substr(second));
            pieces.Finish();
            ASSERT_EQ(rtf, whole) << "cut at " << first << " and " << second;
        }
    }
}

}  // namespace
}  // namespace mailvane::rtf
