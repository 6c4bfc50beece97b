#include "engine/mapping/html_to_text.h"

#include <gtest/gtest.h>

namespace mailvane::mapping {
namespace {

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

}  // namespace
}  // namespace mailvane::mapping
