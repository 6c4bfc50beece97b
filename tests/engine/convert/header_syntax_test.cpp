// Header syntax that real mail uses, as the converted message shows it.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "conversion_support.h"
#include "engine/msg/file_time.h"
#include "engine/msg/property_tags.h"

namespace mailvane {
namespace {

using namespace mailvane::msg;
using testing::ConvertText;
using testing::PropertyOf;
using testing::TextOf;

bool Contains(const Bytes& bytes, std::u16string_view text) {
    Bytes wanted;
    for (char16_t c : text) {
        wanted.push_back(static_cast<std::uint8_t>(c & 0xFF));
        wanted.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    return std::search(bytes.begin(), bytes.end(), wanted.begin(), wanted.end()) != bytes.end();
}

TEST(HeaderSyntax, FieldNameFoldedBeforeItsColonKeepsTheHeader) {
    const Conversion c = ConvertText(
        "From\r\n"
        " : Alice <a@example.com>\r\n"
        "To: bob@example.com\r\n"
        "Subject: lunch\r\n"
        "Date: Mon, 5 Mar 2001 09:14:00 -0800\r\n"
        "Message-ID: <lunch@example.com>\r\n"
        "\r\n"
        "Noon?\r\n");
    const PropertyBag& p = c.message->properties;
    EXPECT_EQ(TextOf(p, PidTagSubject), u"lunch");
    EXPECT_EQ(TextOf(p, PidTagSentRepresentingName), u"Alice");
    EXPECT_EQ(TextOf(p, PidTagSentRepresentingSmtpAddress), u"a@example.com");
    EXPECT_EQ(TextOf(p, PidTagInternetMessageId), u"<lunch@example.com>");
    EXPECT_EQ(PropertyOf<FileTime>(p, PidTagClientSubmitTime).ticks, FileTime::FromUnixSeconds(983812440).ticks);
    EXPECT_EQ(TextOf(p, PidTagBody), u"Noon?\r\n");
    ASSERT_EQ(c.message->recipients.size(), 1u);
}

TEST(HeaderSyntax, ParameterOnAnUnindentedLineKeepsTheAttachment) {
    const Conversion c = ConvertText(
        "From: a@example.com\r\n"
        "Content-Type: multipart/mixed; boundary=\"b\"\r\n"
        "\r\n"
        "--b\r\n"
        "Content-Type: text/plain\r\n"
        "\r\n"
        "zipped\r\n"
        "--b\r\n"
        "Content-Type: application/zip;\r\n"
        "name=\"x.zip\"\r\n"
        "Content-Transfer-Encoding: base64\r\n"
        "\r\n"
        "UEsDBA==\r\n"
        "--b--\r\n");
    ASSERT_EQ(c.message->attachments.size(), 1u);
    const PropertyBag& a = c.message->attachments[0].properties;
    EXPECT_EQ(TextOf(a, PidTagAttachLongFilename), u"x.zip");
    EXPECT_EQ(TextOf(a, PidTagAttachMimeTag), u"application/zip");
    EXPECT_EQ(PropertyOf<Bytes>(a, PidTagAttachDataBinary), (Bytes{'P', 'K', 3, 4}));
}

TEST(HeaderSyntax, EncodedNameWithoutAnAddressIsDecoded) {
    const Conversion c = ConvertText("From: =?UTF-8?B?SsO8cmdlbg==?=\r\nTo: =?UTF-8?Q?J=C3=BCrgen?=\r\n\r\nx\r\n");
    const PropertyBag& p = c.message->properties;
    EXPECT_EQ(TextOf(p, PidTagSentRepresentingName), u"J\u00FCrgen");
    EXPECT_EQ(TextOf(p, PidTagSenderName), u"J\u00FCrgen");
    EXPECT_EQ(p.Get(PidTagSentRepresentingAddressType), nullptr);
    ASSERT_EQ(c.message->recipients.size(), 1u);
    EXPECT_EQ(TextOf(c.message->recipients[0].properties, PidTagDisplayName), u"J\u00FCrgen");
}

TEST(HeaderSyntax, UnquotedCommaInADisplayNameMakesOneRecipient) {
    const Conversion c =
        ConvertText("From: a@example.com\r\nTo: Garrett, Amy C (PACE) <amy@example.com>, bob@example.com\r\n\r\nx\r\n");
    ASSERT_EQ(c.message->recipients.size(), 2u);
    const PropertyBag& amy = c.message->recipients[0].properties;
    EXPECT_EQ(TextOf(amy, PidTagDisplayName), u"Garrett, Amy C (PACE)");
    EXPECT_EQ(TextOf(amy, PidTagSmtpAddress), u"amy@example.com");
    EXPECT_EQ(TextOf(amy, PidTagAddressType), u"SMTP");
    EXPECT_TRUE(Contains(PropertyOf<Bytes>(amy, PidTagEntryId), u"amy@example.com"));
    EXPECT_EQ(TextOf(c.message->properties, PidTagDisplayTo), u"Garrett, Amy C (PACE); bob@example.com");
}

// An SMTP recipient always has an address, and an address that is no
// addr-spec is no SMTP address.
TEST(HeaderSyntax, OnlyAnAddrSpecIsWrittenAsSmtp) {
    const Conversion c = ConvertText("From: Daemon <MAILER-DAEMON>\r\nTo: you\r\nCc: def <ydefmail.com>\r\n\r\nx\r\n");
    const PropertyBag& p = c.message->properties;
    EXPECT_EQ(TextOf(p, PidTagSentRepresentingName), u"Daemon");
    EXPECT_EQ(TextOf(p, PidTagSentRepresentingEmailAddress), u"MAILER-DAEMON");
    EXPECT_EQ(p.Get(PidTagSentRepresentingAddressType), nullptr);
    EXPECT_EQ(p.Get(PidTagSentRepresentingSmtpAddress), nullptr);
    EXPECT_EQ(p.Get(PidTagSentRepresentingEntryId), nullptr);
    ASSERT_EQ(c.message->recipients.size(), 2u);
    for (const auto& recipient : c.message->recipients) {
        const PropertyBag& r = recipient.properties;
        EXPECT_EQ(r.Get(PidTagAddressType), nullptr);
        EXPECT_EQ(r.Get(PidTagSmtpAddress), nullptr);
        EXPECT_EQ(r.Get(PidTagEntryId), nullptr);
        EXPECT_EQ(r.Get(PidTagSearchKey), nullptr);
    }
    EXPECT_EQ(TextOf(c.message->recipients[0].properties, PidTagDisplayName), u"you");
    EXPECT_EQ(c.message->recipients[0].properties.Get(PidTagEmailAddress), nullptr);
    EXPECT_EQ(TextOf(c.message->recipients[1].properties, PidTagDisplayName), u"def");
    EXPECT_EQ(TextOf(c.message->recipients[1].properties, PidTagEmailAddress), u"ydefmail.com");
}

TEST(HeaderSyntax, ExchangeAddressesAreTypedEx) {
    const std::u16string dn = u"/O=EXAMPLE/OU=FIRST ADMINISTRATIVE GROUP/CN=RECIPIENTS/CN=AMY";
    const Conversion c = ConvertText(
        "From: /O=EXAMPLE/OU=FIRST ADMINISTRATIVE GROUP/CN=RECIPIENTS/CN=BOB\r\n"
        "To: Amy </O=EXAMPLE/OU=FIRST ADMINISTRATIVE GROUP/CN=RECIPIENTS/CN=AMY>\r\n"
        "Reply-To: /O=EXAMPLE/OU=FIRST ADMINISTRATIVE GROUP/CN=RECIPIENTS/CN=AMY\r\n"
        "\r\nx\r\n");
    const PropertyBag& p = c.message->properties;
    EXPECT_EQ(TextOf(p, PidTagSentRepresentingAddressType), u"EX");
    EXPECT_EQ(TextOf(p, PidTagSentRepresentingEmailAddress),
              u"/O=EXAMPLE/OU=FIRST ADMINISTRATIVE GROUP/CN=RECIPIENTS/CN=BOB");
    EXPECT_EQ(p.Get(PidTagSentRepresentingSmtpAddress), nullptr);
    EXPECT_EQ(p.Get(PidTagSenderSmtpAddress), nullptr);
    EXPECT_TRUE(Contains(PropertyOf<Bytes>(p, PidTagSentRepresentingEntryId), u"EX"));
    EXPECT_TRUE(Contains(PropertyOf<Bytes>(p, PidTagReplyRecipientEntries), dn));
    ASSERT_EQ(c.message->recipients.size(), 1u);
    const PropertyBag& amy = c.message->recipients[0].properties;
    EXPECT_EQ(TextOf(amy, PidTagDisplayName), u"Amy");
    EXPECT_EQ(TextOf(amy, PidTagAddressType), u"EX");
    EXPECT_EQ(TextOf(amy, PidTagEmailAddress), dn);
    EXPECT_EQ(amy.Get(PidTagSmtpAddress), nullptr);
    const Bytes key = PropertyOf<Bytes>(amy, PidTagSearchKey);
    EXPECT_EQ(std::string(key.begin(), key.end()),
              std::string("EX:/O=EXAMPLE/OU=FIRST ADMINISTRATIVE GROUP/CN=RECIPIENTS/CN=AMY") + '\0');
    EXPECT_TRUE(Contains(PropertyOf<Bytes>(amy, PidTagEntryId), dn));
}

// Big5 bytes written raw into the subject of a mail whose text is Big5.
TEST(HeaderSyntax, RawHeaderBytesAreReadInTheMessagesOwnCharset) {
    const Conversion c = ConvertText(
        "From: \xA4\xA4\xA4\xE5 <a@example.com>\r\n"
        "Subject: \xA4\xA4\xA4\xE5\r\n"
        "Content-Type: text/plain; charset=big5\r\n"
        "\r\n"
        "\xA4\xA4\xA4\xE5\r\n");
    const PropertyBag& p = c.message->properties;
    EXPECT_EQ(TextOf(p, PidTagSubject), u"\u4E2D\u6587");
    EXPECT_EQ(TextOf(p, PidTagSentRepresentingName), u"\u4E2D\u6587");
    EXPECT_EQ(TextOf(p, PidTagBody), u"\u4E2D\u6587\r\n");
}

TEST(HeaderSyntax, DateWrittenTwiceTakesTheFirst) {
    const Conversion c = ConvertText(
        "From: a@example.com\r\n"
        "Date: Mon, 5 Mar 2001 09:14:00 -0800 Mon, 5 Mar 2001 09:14:00 -0800\r\n\r\nx\r\n");
    EXPECT_EQ(PropertyOf<FileTime>(c.message->properties, PidTagClientSubmitTime).ticks,
              FileTime::FromUnixSeconds(983812440).ticks);
}

}  // namespace
}  // namespace mailvane
