#include "engine/mapping/html_references.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "engine/charset/charset_decoder.h"
#include "engine/mapping/streamed_body.h"
#include "engine/mapping/uri_reference.h"

namespace mailvane::mapping {
namespace {

// The examples of RFC 3986 section 5.4, and the bases mail gives.
TEST(ResolveUri, Table) {
    const std::string base = "http://a/b/c/d;p?q";
    const std::pair<const char*, const char*> rows[] = {
        {"g:h", "g:h"},
        {"g", "http://a/b/c/g"},
        {"./g", "http://a/b/c/g"},
        {"g/", "http://a/b/c/g/"},
        {"/g", "http://a/g"},
        {"//g", "http://g"},
        {"?y", "http://a/b/c/d;p?y"},
        {"g?y", "http://a/b/c/g?y"},
        {"#s", "http://a/b/c/d;p?q#s"},
        {"g#s", "http://a/b/c/g#s"},
        {"g?y#s", "http://a/b/c/g?y#s"},
        {";x", "http://a/b/c/;x"},
        {"", "http://a/b/c/d;p?q"},
        {".", "http://a/b/c/"},
        {"./", "http://a/b/c/"},
        {"..", "http://a/b/"},
        {"../", "http://a/b/"},
        {"../g", "http://a/b/g"},
        {"../..", "http://a/"},
        {"../../g", "http://a/g"},
        {"../../../g", "http://a/g"},
        {"/./g", "http://a/g"},
        {"/../g", "http://a/g"},
        {"g.", "http://a/b/c/g."},
        {"..g", "http://a/b/c/..g"},
        {"./../g", "http://a/b/g"},
        {"g/./h", "http://a/b/c/g/h"},
        {"g/../h", "http://a/b/c/h"},
        {"cid:part1@x", "cid:part1@x"},
    };
    for (const auto& [reference, expected] : rows) {
        EXPECT_EQ(ResolveUri(base, reference), expected) << reference;
    }
    // A base with dot segments (found by fuzzing) names the resource they lead to.
    EXPECT_EQ(ResolveUri("http://a/b/./c/../d", ""), "http://a/b/d");
    EXPECT_EQ(ResolveUri("tpt:/h/x/./g/", "../h?q#f"), "tpt:/h/x/h?q#f");
    EXPECT_EQ(ResolveUri("", "images/a.gif"), "images/a.gif");
    EXPECT_EQ(ResolveUri("index.html", "a.gif"), "a.gif");  // a relative base resolves nothing
    EXPECT_EQ(ResolveUri("http://example.com", "a.gif"), "http://example.com/a.gif");
    EXPECT_EQ(ResolveUri("file:///C:/mail/page.htm", "img/a.gif"), "file:///C:/mail/img/a.gif");
}

TEST(FindHtmlReferences, Table) {
    struct Row {
        std::u16string html;
        std::vector<std::string> urls;
        std::string base;
    };
    const Row rows[] = {
        {u"<img src=\"cid:a@x\">", {"cid:a@x"}, ""},
        {u"<IMG SRC='b.gif' width=1><td background=c.gif>", {"b.gif", "c.gif"}, ""},
        {u"<img alt=\"src=x\" src = \" d.gif \">", {"d.gif"}, ""},
        {u"<a href=\"cid:e@x\">link</a>", {}, ""},
        {u"<base href=\"http://x/y/\"><img src=f.gif>", {"f.gif"}, "http://x/y/"},
        {u"<p style=\"background:url('g.gif')\">", {"g.gif"}, ""},
        {u"<style>p { background: URL( h.gif ) }</style>", {"h.gif"}, ""},
        {u"<!-- <img src=\"i.gif\"> --><img src=\"j.gif?a=1&amp;b=2\">", {"j.gif?a=1&b=2"}, ""},
        {u"text only, a < b", {}, ""},
        {u"<img src=\"never closed", {}, ""},
        {u"<img src=\"\u00E9.gif\">", {"\xC3\xA9.gif"}, ""},
    };
    for (const auto& row : rows) {
        const HtmlReferences found = FindHtmlReferences(row.html);
        EXPECT_EQ(found.urls, row.urls);
        EXPECT_EQ(found.base, row.base);
    }
}

TEST(FindHtmlReferences, BoundedAndLinear) {
    std::u16string html;
    for (int i = 0; i < 20000; ++i) html += u"<img src=a.gif>";
    EXPECT_EQ(FindHtmlReferences(html).urls.size(), kMaxHtmlReferences);
    const std::u16string opens(200000, u'<');
    EXPECT_TRUE(FindHtmlReferences(opens).urls.empty());
    std::u16string urls;
    for (int i = 0; i < 50000; ++i) urls += u"url(";
    EXPECT_TRUE(FindHtmlReferences(urls).urls.empty());
}

void ExpectSameReferences(const HtmlReferences& bytes, const HtmlReferences& units, const std::string& html) {
    EXPECT_EQ(bytes.base, units.base) << ::testing::PrintToString(html);
    EXPECT_EQ(bytes.urls, units.urls) << ::testing::PrintToString(html);
}

// Read from the bytes of UTF-8 or windows-1252 HTML, the references are
// those of the HTML decoded, values of every length (cut at the bound in
// the middle of characters of every width) among them.
TEST(FindHtmlReferences, FromBytesAsFromTheDecodedHtml) {
    static const std::vector<std::string> kFragments = {
        "<img src=\"cid:a\xC3\xA9@x\">",
        "<IMG SRC='pic.png'>",
        "<td background=b.gif>",
        "<base href=\"http://h/\">",
        "<!-- <img src=hidden> -->",
        "<p style=\"x: url( 'u\xE2\x82\xAC.png' )\">",
        "url(",
        "\xF0\x9F\x98\x80",
        "&amp;",
        "<object data=\"d&amp;e\">",
        " ",
        "\"",
        "'",
        ">",
        "<",
        "=",
        "\xC3\xA9",
        "<a href=x>",
        "<video poster=p\xC3\xA8re.jpg>",
    };
    const std::optional<HtmlByteCharset> windows1252 = HtmlByteCharsetOf("windows-1252");
    ASSERT_TRUE(windows1252.has_value());
    std::mt19937 random(11);
    for (int round = 0; round < 3000; ++round) {
        std::string html;
        const std::size_t count = 1 + random() % 12;
        for (std::size_t i = 0; i < count; ++i) html += kFragments[random() % kFragments.size()];
        if (round % 50 == 0) {
            // A value longer than the bound, its characters of every width.
            std::string value;
            while (value.size() < 3 * kMaxHtmlReferenceLength + 10) value += "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";
            html += "<img src=\"" + value.substr(0, value.size() - random() % 7) + "\">";
        }
        if (charset::DecodesInPieces(html, "utf-8")) {
            ExpectSameReferences(FindHtmlReferences(html, HtmlByteCharset{}),
                                 FindHtmlReferences(charset::DecodeToUtf16(html, "utf-8").text), html);
        }
        ExpectSameReferences(FindHtmlReferences(html, *windows1252),
                             FindHtmlReferences(charset::DecodeToUtf16(html, "windows-1252").text), html);
    }
}

}  // namespace
}  // namespace mailvane::mapping
