#include "engine/mapping/enriched_text.h"

#include <gtest/gtest.h>

#include "conversion_support.h"
#include "engine/msg/property_tags.h"

namespace mailvane::mapping {
namespace {

TEST(EnrichedText, Table) {
    const std::pair<std::u16string, std::u16string> rows[] = {
        {u"plain", u"plain"},
        {u"<bold>Now</bold> is the time for <italic>all</italic> good men", u"Now is the time for all good men"},
        {u"one\r\nline", u"one line"},
        {u"two\r\n\r\nlines", u"two\nlines"},
        {u"three\r\n\r\n\r\nbreaks", u"three\n\nbreaks"},
        {u"bare\nline\n\nfeeds", u"bare line\nfeeds"},
        {u"<nofill>kept\r\nas\r\n\r\nwritten</nofill>\r\njoined", u"kept\nas\n\nwritten joined"},
        {u"a <<b> c", u"a <b> c"},
        {u"<color><param>red</param>Red</color>", u"Red"},
        {u"<FONTFAMILY><PARAM>Times</PARAM>x</FONTFAMILY>", u"x"},
        {u"<x-unknown-command>kept text</x-unknown-command>", u"kept text"},
        {u"1 < 2 and <not a command>", u"1 < 2 and <not a command>"},
        {u"unclosed <bold", u"unclosed <bold"},
        {u"</nofill>stray\r\nclose", u"stray close"},
        {u"<param>never closed", u""},
        {u"", u""},
    };
    for (const auto& [enriched, text] : rows) {
        EXPECT_EQ(EnrichedToText(enriched), text);
    }
    const std::u16string longName = u"<" + std::u16string(61, u'a') + u">";
    EXPECT_EQ(EnrichedToText(longName), longName);
}

TEST(EnrichedText, BodyIsRenderedAsText) {
    const Conversion c = testing::ConvertText(
        "From: a@example.com\r\nContent-Type: text/enriched; charset=us-ascii\r\n\r\n"
        "<bold>Meeting</bold> moved\r\nto Friday.\r\n\r\n<nofill>Room 4\r\nFloor 2</nofill>\r\n");
    EXPECT_EQ(testing::TextOf(c.message->properties, msg::PidTagBody),
              u"Meeting moved to Friday.\r\nRoom 4\r\nFloor 2 ");
}

}  // namespace
}  // namespace mailvane::mapping
