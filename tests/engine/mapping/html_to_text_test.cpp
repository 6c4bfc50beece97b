#include "engine/mapping/html_to_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "engine/charset/builtin_decoders.h"
#include "engine/text/utf8.h"

namespace mailvane::mapping {
namespace {

using namespace std::string_literals;

TEST(HtmlToText, Conversions) {
    const std::pair<std::u16string, std::u16string> cases[] = {
        {u"<p>Hello</p><p>World</p>", u"Hello\r\n\r\nWorld"},
        {u"a<br>b<br/>c", u"a\r\nb\r\nc"},
        {u"Fish &amp; chips &lt;3 &#8364; &#x41; &eacute;", u"Fish & chips <3 € A é"},
        {u"<ul><li>one</li><li>two</li></ul>", u"* one\r\n* two"},
        {u"<script>var x = '<p>';</script>shown", u"shown"},
        {u"<STYLE>p { color: red }</STYLE>shown", u"shown"},
        {u"<html><head><title>T</title></head><body>x</body></html>", u"x"},
        {u"  many   \n  blanks  ", u"many blanks"},
        {u"<pre>a\n  b</pre>", u"a\r\n  b"},
        {u"<!-- hidden -->x", u"x"},
        {u"<a href=\"x>y\">link</a>", u"link"},
        {u"1 < 2 & 3", u"1 < 2 & 3"},
        {u"&unknown; &#;", u"&unknown; &#;"},
        {u"", u""},
    };
    for (const auto& [html, text] : cases) {
        EXPECT_EQ(HtmlToText(html), text) << std::string(html.begin(), html.end());
    }
}

TEST(HtmlToText, UnclosedScriptDropsTheRest) { EXPECT_EQ(HtmlToText(u"before<script>never closed"), u"before"); }

std::vector<std::u16string> Pieces(std::string_view bytes, const HtmlByteCharset& charset,
                                   std::size_t maxPieceUnits = kMaxTextPieceUnits) {
    std::vector<std::u16string> pieces;
    HtmlToText(
        bytes, charset, [&](std::u16string_view piece) { pieces.emplace_back(piece); }, maxPieceUnits);
    return pieces;
}

std::u16string Joined(const std::vector<std::u16string>& pieces) {
    std::u16string text;
    for (const auto& piece : pieces) text += piece;
    return text;
}

// No piece empty or over the bound, and none ends in the first half of a
// surrogate pair that the next begins with the second half of.
void ExpectWellCut(const std::vector<std::u16string>& pieces, std::size_t maxPieceUnits) {
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        ASSERT_FALSE(pieces[i].empty()) << "piece " << i;
        ASSERT_LE(pieces[i].size(), maxPieceUnits) << "piece " << i;
        if (i + 1 < pieces.size()) {
            const bool endsHigh = pieces[i].back() >= 0xD800 && pieces[i].back() <= 0xDBFF;
            const bool nextStartsLow = pieces[i + 1].front() >= 0xDC00 && pieces[i + 1].front() <= 0xDFFF;
            ASSERT_FALSE(endsHigh && nextStartsLow) << "piece " << i << " parts a surrogate pair";
        }
    }
}

const HtmlByteCharset kUtf8{};

// windows-1252 as a table of the engine's own decoder.
HtmlByteCharset Windows1252() {
    HtmlByteCharset charset{.utf8 = false};
    for (std::size_t i = 0; i < charset.upperHalf.size(); ++i) {
        charset.upperHalf[i] = charset::DecodeWindows1252(std::string(1, static_cast<char>(0x80 + i)))[0];
    }
    return charset;
}

std::string Printable(std::u16string_view html) { return text::Utf8FromUtf16(html); }

// Each compared as UTF-8 bytes and as the same bytes read as windows-1252.
const std::u16string kTrickySnippets[] = {
    u"<!-- a comment never closed <p>x",
    u"a<!-- c -->b<!---->c<!-->d",
    u"before<script>var s = '</scr' + 'ipt>'; never closed",
    u"x<STYLE>p{}</stylE >y<style>unclosed </styl",
    u"<head><title>T</title><p>body in a head never closed",
    u"<title>\u00e9t\u00e9</title>after",
    u"&#x1F600;&#128512; &#xD800; &#0; &#x110000; &#999999999; &#xFFFFFFFFF;",
    u"&amp &amp; &AMP; &unknown; &#; &#x; &#xg; & ; &nbsp;&nbsp;x&nbsp; &nbsp;",
    u"<pre>  a  \n\n  b\t\r\n\t</pre>  c  ",
    u"<pre>\n\n\n</pre>",
    u"<pre>   </pre>x<pre>\t</pre>",
    u"<pre>x   <br>   y \t <p> z</pre>",
    u"<pre>a&#9;&#32;&#10;&#13;&nbsp;</pre>",
    u"<pre><pre>a</pre> b\n c</pre> d\n e",
    u"<br><br><br><p><p><p>text<br><br><br><br><p></p><p>",
    u"<p>  <br>  <p>  x  <p>  <br>  <br>  ",
    u"text   ",
    u"a \t <br> \t ",
    u"<p> </p>\t<div> <li> </li> </div>",
    u"<\u00e9>x</\u00e9><script\u00e9>y</script\u00e9>z<scr\u00efpt>w",
    u"<p\u00e9>a<br\u00e9>b<\u00e9p>c",
    u"<a title='x>y' href=\"a>b\" data='\">'>link</a> <img alt=\"never closed>rest",
    u"caf\u00e9 \u20ac \U0001F600 <b>\u4e2d\u6587</b> \u00a0x\u00a0",
    u"<pre>\U0001F600 \U0001F600\n\u00e9</pre>",
    u"<ul><li>one<li>two</ul><ol><li>\u00e9</ol><table><tr><td>a<td>b<th>c</table>",
    u"1 < 2 <3 </ 4 <! 5 <? 6 <= 7 <\u00e9",
    u"a\0<b>\0&#0;b"s,
    u"\f<pre>\f\f</pre>\f",
    u"\uFEFF<p>a byte order mark is a character",
    u"",
};

TEST(HtmlToTextFromBytes, MatchesTheDecodedFormOnTrickySnippets) {
    const HtmlByteCharset windows1252 = Windows1252();
    for (const auto& html : kTrickySnippets) {
        const std::string bytes = text::Utf8FromUtf16(html);
        EXPECT_EQ(Joined(Pieces(bytes, kUtf8)), HtmlToText(html)) << "UTF-8: " << Printable(html);
        EXPECT_EQ(Joined(Pieces(bytes, windows1252)), HtmlToText(charset::DecodeWindows1252(bytes)))
            << "windows-1252: " << Printable(html);
    }
}

TEST(HtmlToTextFromBytes, ReadsEachByteThatStartsNoUtf8SequenceAsReplacement) {
    const std::pair<std::string, std::u16string> cases[] = {
        {"a\xC3", u"a\uFFFD"},
        {"a\xC3(b", u"a\uFFFD(b"},
        {"\xE2\x82<p>x", u"\uFFFD\uFFFD\r\n\r\nx"},
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},                        // a surrogate
        {"\xC0\xAF \xE0\x80\x80", u"\uFFFD\uFFFD \uFFFD\uFFFD\uFFFD"},  // overlong
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},              // past U+10FFFF
        {"\xF0\x9F\x98<br>\xF0\x9F\x98\x80", u"\uFFFD\uFFFD\uFFFD\r\n\U0001F600"},
        {"\x80\xBF\xFE\xFF", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
        {"<p\xC3>\xC3\xA9</p\xC3>", u"\u00e9"},
    };
    for (const auto& [bytes, text] : cases) {
        EXPECT_EQ(Joined(Pieces(bytes, kUtf8)), text) << bytes;
    }
}

TEST(HtmlToTextFromBytes, TableCharactersAreTextEvenWhereTheyLookLikeMarkup) {
    HtmlByteCharset charset{.utf8 = false};
    charset.upperHalf.fill(u'?');
    charset.upperHalf[0] = u'<';
    charset.upperHalf[1] = u' ';
    charset.upperHalf[2] = 0x0416;
    EXPECT_EQ(Joined(Pieces("\x80p>a\x81\x81\x82<p>\x82", charset)), u"<p>a \u0416\r\n\r\n\u0416");
}

TEST(HtmlToTextFromBytes, TextWithoutAnythingToShowGivesNoPieces) {
    for (std::string_view html : {"", "  \r\n ", "<p><br> <p>", "<script>x</script>", "<!-- x", "<pre>\n \t\n</pre>"}) {
        EXPECT_TRUE(Pieces(html, kUtf8).empty()) << html;
    }
}

// What breaks and the end of the text trim is held back while the text is
// handed over, so these are checked in both forms and in the smallest pieces.
TEST(HtmlToTextFromBytes, BreaksAndBlanksAtTheEdgesOfTheText) {
    const std::pair<std::u16string, std::u16string> cases[] = {
        {u"<br><br>x<br><br>", u"\r\n\r\nx"},
        {u"<p><p>x<p><p>y", u"x\r\n\r\ny"},
        {u"x  <br>  y  ", u"x\r\ny"},
        {u"a <p> b", u"a\r\n\r\nb"},
        {u"a&nbsp;<br>b", u"a\r\nb"},
        {u"<pre>a \t </pre>", u"a"},
        {u"<pre>a \t b\n</pre>", u"a \t b"},
        {u"<pre>   </pre>x", u"\r\n\r\nx"},
        {u"<pre> <br>a</pre>", u"\r\na"},
        {u" <pre> a</pre>", u" a"},
        {u"<pre>\n\n\nx</pre>", u"\r\n\r\n\r\nx"},
        {u"a<pre>\n\n\nb", u"a\r\n\r\n\r\n\r\n\r\nb"},
        {u"<li>a<li>b", u"* a\r\n* b"},
        {u"a<div> </div>b", u"a\r\nb"},
        {u"<td>x", u"x"},
        {u"a<td>b", u"a b"},
    };
    for (const auto& [html, text] : cases) {
        EXPECT_EQ(HtmlToText(html), text) << Printable(html);
        EXPECT_EQ(Joined(Pieces(text::Utf8FromUtf16(html), kUtf8, 2)), text) << Printable(html);
    }
}

// Text standing in a <head> is no part of it: an HTML parser ends the head
// at it and shows it first in the body, as Outlook does. What belongs to a
// head (title, style, script, meta, comments, blanks) stays out.
TEST(HtmlToText, TextInAHeadIsShownBeforeTheBody) {
    const std::pair<std::u16string, std::u16string> cases[] = {
        {u"<html><head>X</head><body>Y</body></html>", u"X Y"},
        {u"<html><head>\r\n  <title>T</title>\r\n  X &amp; Z</head><body>Y</body></html>", u"X & Z Y"},
        {u"<head><style>p{}</style><script>s()</script><!-- c --><meta charset=x>\r\n</head>Y", u"Y"},
        {u"<head><title>T</title><p>P</p></head><body>Y</body>", u"P\r\n\r\nY"},
        {u"<head>X<title>T</title></head>Y", u"X Y"},
        {u"<HEAD>  X  </HEAD><BODY>Y</BODY>", u"X Y"},
    };
    for (const auto& [html, text] : cases) {
        EXPECT_EQ(HtmlToText(html), text) << std::string(html.begin(), html.end());
        EXPECT_EQ(Joined(Pieces(text::Utf8FromUtf16(html), kUtf8)), text) << std::string(html.begin(), html.end());
    }
}

// Each unclosed <head> once searched the rest for its end: these took minutes.
TEST(HtmlToText, ManyUnclosedHeadsKeepTheDocument) {
    std::u16string html;
    for (int i = 0; i < 200'000; ++i) html += u"<head>a<HEAD>";
    EXPECT_EQ(HtmlToText(html), std::u16string(200'000, u'a'));
    EXPECT_EQ(Joined(Pieces(text::Utf8FromUtf16(html), kUtf8)), std::u16string(200'000, u'a'));
}

// Random HTML of markup fragments, blanks and characters of every UTF-8
// length, compared with the UTF-16 form whole and cut into pieces of
// several sizes.
TEST(HtmlToTextFromBytes, RandomHtmlMatchesTheDecodedFormHoweverItIsCut) {
    const std::u16string_view fragments[] = {
        u"<p>",       u"</p>",      u"<br>",      u"<br/>",   u"<pre>",    u"</pre>", u"<li>",       u"</li>",
        u"<ul>",      u"<td>",      u"<div>",     u"<h1>",    u"<hr>",     u"<!--",   u"-->",        u"<script>",
        u"</script>", u"<head>",    u"</head>",   u"<title>", u"</TITLE>", u"<",      u">",          u"</",
        u"\"",        u"'",         u"=",         u"&",       u"#",        u";",      u"&amp;",      u"&nbsp;",
        u"&#10;",     u"&#9;",      u"&#x1F600;", u"&#0;",    u" ",        u"\t",     u"\n",         u"\r",
        u"\f",        u"a",         u"Z",         u"\u00e9",  u"\u20ac",   u"\u4e2d", u"\U0001F600", u"\U0010FFFF",
        u"<\u00e9>",  u"<p\u00e9>",
    };
    const HtmlByteCharset windows1252 = Windows1252();
    std::mt19937 random(20240611);
    for (int round = 0; round < 20000; ++round) {
        std::u16string html;
        const std::size_t length = random() % 40;
        for (std::size_t k = 0; k < length; ++k) html += fragments[random() % std::size(fragments)];
        const std::string bytes = text::Utf8FromUtf16(html);
        const std::u16string expected = HtmlToText(html);
        const std::u16string expected1252 = HtmlToText(charset::DecodeWindows1252(bytes));
        for (std::size_t maxPieceUnits :
             {std::size_t{2}, std::size_t{3}, std::size_t{7}, std::size_t{64}, kMaxTextPieceUnits}) {
            const auto pieces = Pieces(bytes, kUtf8, maxPieceUnits);
            ASSERT_EQ(Joined(pieces), expected) << Printable(html) << " in pieces of " << maxPieceUnits;
            ExpectWellCut(pieces, maxPieceUnits);
            const auto pieces1252 = Pieces(bytes, windows1252, maxPieceUnits);
            ASSERT_EQ(Joined(pieces1252), expected1252) << Printable(html) << " in pieces of " << maxPieceUnits;
            ExpectWellCut(pieces1252, maxPieceUnits);
        }
    }
}

// Megabytes of text come in full pieces: what is held back between them
// stays small whether the text is paragraphs, line breaks or preformatted
// blanks.
TEST(HtmlToTextFromBytes, LargeTextComesInFullPieces) {
    std::string paragraphs;
    while (paragraphs.size() < 4'000'000) {
        paragraphs +=
            "<p>Lorem ipsum dolor sit amet, consectetur adipiscing elit. Caf\xC3\xA9 \xE2\x82\xAC "
            "\xF0\x9F\x98\x80.<br>\r\n  Sed do eiusmod tempor.</p>\r\n";
    }
    std::string breaks = "x";
    for (int i = 0; i < 200'000; ++i) breaks += "<br><p>";
    breaks += "y";
    const std::string blanks = "<pre>a" + std::string(1'000'000, ' ') + "b\n" + std::string(1'000'000, '\t');

    for (const std::string& html : {paragraphs, breaks, blanks}) {
        const auto pieces = Pieces(html, kUtf8);
        ASSERT_FALSE(pieces.empty());
        ExpectWellCut(pieces, kMaxTextPieceUnits);
        for (std::size_t i = 0; i + 1 < pieces.size(); ++i) {
            ASSERT_GE(pieces[i].size(), kMaxTextPieceUnits - 1) << "piece " << i << " of " << pieces.size();
        }
        EXPECT_EQ(Joined(pieces), HtmlToText(*charset::DecodeUtf8Strict(html)));
    }
}

}  // namespace
}  // namespace mailvane::mapping
