#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "conversion_support.h"
#include "engine/convert/eml_converter.h"
#include "engine/io/vector_sink.h"
#include "engine/msg/msg_writer.h"
#include "engine/msg/property_tags.h"

namespace mailvane {
namespace {

using namespace mailvane::msg;

using testing::ConvertText;
using testing::kConversionNow;
using testing::PropertyOf;
using testing::TextOf;

constexpr std::string_view kTypical =
    "Received: from relay by mx; Tue, 14 Nov 2023 22:13:25 +0000\r\n"
    "From: \"Ann Lee\" <ann@example.org>\r\n"
    "To: Bob <bob@example.com>, carol@example.net\r\n"
    "Cc: team: dan@example.com, erin@example.com;\r\n"
    "Reply-To: replies@example.org\r\n"
    "Subject: Re: quarterly numbers\r\n"
    "Date: Tue, 14 Nov 2023 22:13:20 +0000\r\n"
    "Message-ID: <id1@example.org>\r\n"
    "Importance: high\r\n"
    "X-Mailer: Test 1.0\r\n"
    "MIME-Version: 1.0\r\n"
    "Content-Type: multipart/mixed; boundary=\"b1\"\r\n"
    "\r\n"
    "--b1\r\n"
    "Content-Type: text/plain; charset=utf-8\r\n"
    "\r\n"
    "Hello Bob\r\n"
    "--b1\r\n"
    "Content-Type: application/pdf; name=\"report.pdf\"\r\n"
    "Content-Disposition: attachment; filename=\"report.pdf\"\r\n"
    "Content-Transfer-Encoding: base64\r\n"
    "\r\n"
    "JVBERg==\r\n"
    "--b1--\r\n";

TEST(Conversion, TypicalMessageEnvelope) {
    Conversion c = ConvertText(kTypical);
    const PropertyBag& p = c.message->properties;
    EXPECT_EQ(TextOf(p, PidTagMessageClass), u"IPM.Note");
    EXPECT_EQ(PropertyOf<std::int32_t>(p, PidTagMessageFlags), mfRead | mfUnmodified | mfHasAttach);
    EXPECT_EQ(PropertyOf<bool>(p, PidTagHasAttachments), true);
    EXPECT_EQ(TextOf(p, PidTagSubject), u"Re: quarterly numbers");
    EXPECT_EQ(TextOf(p, PidTagSubjectPrefix), u"Re: ");
    EXPECT_EQ(TextOf(p, PidTagNormalizedSubject), u"quarterly numbers");
    EXPECT_EQ(TextOf(p, PidTagConversationTopic), u"quarterly numbers");
    EXPECT_EQ(TextOf(p, PidTagSentRepresentingName), u"Ann Lee");
    EXPECT_EQ(TextOf(p, PidTagSentRepresentingSmtpAddress), u"ann@example.org");
    EXPECT_EQ(TextOf(p, PidTagSenderEmailAddress), u"ann@example.org");
    EXPECT_EQ(TextOf(p, PidTagSenderAddressType), u"SMTP");
    EXPECT_EQ(TextOf(p, PidTagDisplayTo), u"Bob; carol@example.net");
    EXPECT_EQ(TextOf(p, PidTagDisplayCc), u"dan@example.com; erin@example.com");
    EXPECT_EQ(TextOf(p, PidTagDisplayBcc), u"");
    EXPECT_EQ(TextOf(p, PidTagReplyRecipientNames), u"replies@example.org");
    EXPECT_EQ(PropertyOf<FileTime>(p, PidTagClientSubmitTime).ticks, FileTime::FromUnixSeconds(1700000000).ticks);
    EXPECT_EQ(PropertyOf<FileTime>(p, PidTagMessageDeliveryTime).ticks, FileTime::FromUnixSeconds(1700000005).ticks);
    EXPECT_EQ(PropertyOf<std::int32_t>(p, PidTagImportance), 2);
    EXPECT_EQ(PropertyOf<std::int32_t>(p, PidTagSensitivity), 0);
    EXPECT_EQ(TextOf(p, PidTagInternetMessageId), u"<id1@example.org>");
    EXPECT_EQ(TextOf(p, PidTagBody), u"Hello Bob");
    EXPECT_TRUE(TextOf(p, PidTagTransportMessageHeaders).starts_with(u"Received: from relay"));
    bool mailerHeader = false;
    for (const auto& named : p.Named()) {
        if (named.name.propertySet == PS_INTERNET_HEADERS && std::get<std::u16string>(named.name.name) == u"X-Mailer") {
            mailerHeader = std::get<std::u16string>(named.value) == u"Test 1.0";
        }
    }
    EXPECT_TRUE(mailerHeader);
}

// Header fields without properties of their own become named properties,
// once per name whatever its case: the first field of a name decides, also
// when its value is empty. Exchange's organization fields stay out.
TEST(Conversion, OtherHeaderFieldsOncePerName) {
    Conversion c = ConvertText(
        "Subject: s\r\nX-Tag: one\r\nx-TAG: two\r\nX-Empty:\r\nX-Exchange: kept\r\n"
        "X-MS-Exchange-Organization-Foo: secret\r\nx-empty: late\r\nX-Later: three\r\n\r\nbody\r\n");
    std::vector<std::u16string> named;
    for (const auto& property : c.message->properties.Named()) {
        if (property.name.propertySet != PS_INTERNET_HEADERS) continue;
        named.push_back(std::get<std::u16string>(property.name.name) + u"=" + std::get<std::u16string>(property.value));
    }
    EXPECT_EQ(named, (std::vector<std::u16string>{u"X-Tag=one", u"X-Exchange=kept", u"X-Later=three"}));
}

TEST(Conversion, RecipientRows) {
    Conversion c = ConvertText(kTypical);
    ASSERT_EQ(c.message->recipients.size(), 4u);
    const std::pair<std::u16string, std::int32_t> expected[] = {{u"bob@example.com", MAPI_TO},
                                                                {u"carol@example.net", MAPI_TO},
                                                                {u"dan@example.com", MAPI_CC},
                                                                {u"erin@example.com", MAPI_CC}};
    for (std::size_t i = 0; i < 4; ++i) {
        const PropertyBag& r = c.message->recipients[i].properties;
        EXPECT_EQ(TextOf(r, PidTagSmtpAddress), expected[i].first);
        EXPECT_EQ(TextOf(r, PidTagEmailAddress), expected[i].first);
        EXPECT_EQ(PropertyOf<std::int32_t>(r, PidTagRecipientType), expected[i].second);
        EXPECT_EQ(PropertyOf<std::int32_t>(r, PidTagRowid), static_cast<std::int32_t>(i));
        EXPECT_EQ(PropertyOf<std::int32_t>(r, PidTagObjectType), MAPI_MAILUSER);
        EXPECT_EQ(PropertyOf<std::int32_t>(r, PidTagDisplayType), DT_MAILUSER);
        EXPECT_FALSE(PropertyOf<Bytes>(r, PidTagEntryId).empty());
        EXPECT_FALSE(PropertyOf<Bytes>(r, PidTagSearchKey).empty());
    }
    EXPECT_EQ(TextOf(c.message->recipients[0].properties, PidTagDisplayName), u"Bob");
    EXPECT_EQ(TextOf(c.message->recipients[1].properties, PidTagRecipientDisplayName), u"carol@example.net");
}

TEST(Conversion, LoneWordRecipientIsANameWithoutAddress) {
    Conversion c = ConvertText("From: a@b.c\r\nTo: you, <list@example.org>\r\n\r\nx\r\n");
    ASSERT_EQ(c.message->recipients.size(), 2u);
    const PropertyBag& word = c.message->recipients[0].properties;
    EXPECT_EQ(TextOf(word, PidTagDisplayName), u"you");
    EXPECT_EQ(word.Get(PidTagSmtpAddress), nullptr);
    EXPECT_EQ(TextOf(c.message->recipients[1].properties, PidTagSmtpAddress), u"list@example.org");
    EXPECT_EQ(TextOf(c.message->properties, PidTagDisplayTo), u"you; list@example.org");
}

TEST(Conversion, AttachmentByValue) {
    Conversion c = ConvertText(kTypical);
    ASSERT_EQ(c.message->attachments.size(), 1u);
    const PropertyBag& a = c.message->attachments[0].properties;
    EXPECT_EQ(PropertyOf<std::int32_t>(a, PidTagAttachMethod), afByValue);
    EXPECT_EQ(TextOf(a, PidTagAttachLongFilename), u"report.pdf");
    EXPECT_EQ(TextOf(a, PidTagAttachFilename), u"REPORT.PDF");
    EXPECT_EQ(TextOf(a, PidTagAttachExtension), u".pdf");
    EXPECT_EQ(TextOf(a, PidTagAttachMimeTag), u"application/pdf");
    EXPECT_EQ(PropertyOf<Bytes>(a, PidTagAttachDataBinary), (Bytes{'%', 'P', 'D', 'F'}));
    EXPECT_EQ(PropertyOf<std::int32_t>(a, PidTagRenderingPosition), -1);
}

// An attachment whose base64 ends with its padding and a further line (an
// armour checksum) gets the bytes the padding ends, not three more; the
// line left out is recorded.
TEST(Conversion, AttachmentDataEndsAtItsPadding) {
    const std::string eml =
        "Subject: x\r\nMIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=b\r\n\r\n"
        "--b\r\nContent-Type: text/plain\r\n\r\nsee attached\r\n"
        "--b\r\nContent-Type: application/octet-stream; name=a.bin\r\nContent-Transfer-Encoding: base64\r\n\r\n"
        "JVBERg==\r\n=njLm\r\n--b--\r\n";
    Conversion c = ConvertText(eml);
    ASSERT_EQ(c.message->attachments.size(), 1u);
    EXPECT_EQ(PropertyOf<Bytes>(c.message->attachments[0].properties, PidTagAttachDataBinary),
              (Bytes{'%', 'P', 'D', 'F'}));
    const bool recorded = std::any_of(c.issues.begin(), c.issues.end(), [](const auto& issue) {
        return issue.kind == mime::IssueKind::InvalidBase64 && issue.detail.find("padding") != std::string::npos;
    });
    EXPECT_TRUE(recorded);
}

TEST(Conversion, MissingDateIsNow) {
    Conversion c = ConvertText("From: a@b.c\r\nSubject: x\r\n\r\nbody\r\n");
    const PropertyBag& p = c.message->properties;
    EXPECT_EQ(PropertyOf<FileTime>(p, PidTagClientSubmitTime).ticks, FileTime::FromUnixSeconds(kConversionNow).ticks);
    EXPECT_EQ(PropertyOf<std::int32_t>(p, PidTagMessageFlags), mfRead | mfUnmodified);
    EXPECT_EQ(TextOf(p, PidTagDisplayTo), u"");
}

// Checking the text for issues costs a decoding of every text part; a
// caller that reports no issues turns it off, and the message file is the
// same to the byte.
TEST(Conversion, TextIssuesAreLookedForOnlyWhenAskedForAndChangeNothingElse) {
    const std::string eml =
        "From: a@b.c\r\nSubject: =?x-martian?Q?hi?=\r\nDate: someday\r\n"
        "Content-Type: text/plain; charset=utf-8\r\n\r\nbad \xFF byte\nand a bare line feed\r\n";
    const auto convert = [&eml](bool textIssues, std::vector<std::uint8_t>& file) {
        ConversionOptions options;
        options.nowUnixSeconds = kConversionNow;
        options.textIssues = textIssues;
        Conversion c = ConvertEml(std::vector<std::uint8_t>(eml.begin(), eml.end()), options);
        VectorSink sink;
        EXPECT_EQ(WriteMessageFile(*c.message, sink).status, WriteStatus::Ok);
        file = sink.Take();
        return c.issues;
    };
    const auto has = [](const std::vector<mime::ParseIssue>& issues, mime::IssueKind kind) {
        return std::any_of(issues.begin(), issues.end(), [kind](const auto& issue) { return issue.kind == kind; });
    };
    std::vector<std::uint8_t> checked;
    std::vector<std::uint8_t> unchecked;
    const auto all = convert(true, checked);
    const auto fewer = convert(false, unchecked);
    EXPECT_TRUE(has(all, mime::IssueKind::UnknownCharset));
    EXPECT_TRUE(has(all, mime::IssueKind::UndecodableText));
    EXPECT_FALSE(has(fewer, mime::IssueKind::UnknownCharset));
    EXPECT_FALSE(has(fewer, mime::IssueKind::UndecodableText));
    EXPECT_TRUE(has(all, mime::IssueKind::InvalidDate));
    EXPECT_FALSE(has(fewer, mime::IssueKind::InvalidDate));
    // What the parse meets on its way is still recorded.
    EXPECT_TRUE(has(fewer, mime::IssueKind::BareLineFeeds));
    EXPECT_FALSE(checked.empty());
    EXPECT_EQ(checked, unchecked);
}

// The parser records a Date that is no date, the mapping one that a
// FILETIME cannot hold: each bad Date is reported once, and means now.
TEST(Conversion, InvalidDateIsRecordedOnce) {
    struct Row {
        const char* date;
        std::size_t issues;
    };
    const Row rows[] = {
        {"whenever it suits", 1},
        {"1 Jan 1601 00:00:00 +0100", 1},  // an hour before the earliest FILETIME
        {"1 Jan 1601 00:00:00 +0000", 0},
    };
    for (const auto& row : rows) {
        Conversion c = ConvertText(std::string("From: a@b.c\r\nDate: ") + row.date + "\r\n\r\nbody\r\n");
        std::size_t found = 0;
        for (const auto& issue : c.issues) found += issue.kind == mime::IssueKind::InvalidDate ? 1 : 0;
        EXPECT_EQ(found, row.issues) << row.date;
        if (row.issues) {
            EXPECT_EQ(PropertyOf<FileTime>(c.message->properties, PidTagClientSubmitTime).ticks,
                      FileTime::FromUnixSeconds(kConversionNow).ticks)
                << row.date;
        }
    }
}

TEST(Conversion, HtmlOnlyGetsDerivedTextAndRelatedImages) {
    Conversion c = ConvertText(
        "From: a@b.c\r\nContent-Type: multipart/related; boundary=r\r\n\r\n"
        "--r\r\nContent-Type: text/html; charset=us-ascii\r\n\r\n"
        "<p>Hi &amp; bye</p><img src=\"cid:logo@x\">\r\n"
        "--r\r\nContent-Type: image/png\r\nContent-ID: <logo@x>\r\n\r\nPNG\r\n"
        "--r\r\nContent-Type: image/png; name=spare.png\r\nContent-ID: <spare@x>\r\n\r\nPNG\r\n"
        "--r--\r\n");
    const PropertyBag& p = c.message->properties;
    EXPECT_EQ(TextOf(p, PidTagBody), u"Hi & bye");
    EXPECT_EQ(PropertyOf<std::int32_t>(p, PidTagNativeBody), NativeBodyHtml);
    EXPECT_FALSE(PropertyOf<Bytes>(p, PidTagHtml).empty());
    EXPECT_FALSE(PropertyOf<Bytes>(p, PidTagRtfCompressed).empty());
    ASSERT_EQ(c.message->attachments.size(), 2u);
    const PropertyBag& inlined = c.message->attachments[0].properties;
    EXPECT_EQ(TextOf(inlined, PidTagAttachContentId), u"logo@x");
    EXPECT_EQ(PropertyOf<std::int32_t>(inlined, PidTagAttachFlags), attRenderedInBody);
    EXPECT_EQ(PropertyOf<bool>(inlined, PidTagAttachmentHidden), true);
    const PropertyBag& spare = c.message->attachments[1].properties;
    EXPECT_EQ(spare.Get(PidTagAttachmentHidden), nullptr);
    EXPECT_EQ(TextOf(spare, PidTagAttachLongFilename), u"spare.png");
}

TEST(Conversion, EmbeddedMessage) {
    Conversion c = ConvertText(
        "From: a@b.c\r\nSubject: outer\r\nContent-Type: multipart/mixed; boundary=m\r\n\r\n"
        "--m\r\nContent-Type: text/plain\r\n\r\nsee attached\r\n"
        "--m\r\nContent-Type: message/rfc822\r\n\r\nFrom: x@y.z\r\nSubject: inner\r\n\r\ninner body\r\n"
        "--m--\r\n");
    ASSERT_EQ(c.message->attachments.size(), 1u);
    const Attachment& a = c.message->attachments[0];
    EXPECT_EQ(PropertyOf<std::int32_t>(a.properties, PidTagAttachMethod), afEmbeddedMessage);
    EXPECT_EQ(TextOf(a.properties, PidTagDisplayName), u"inner");
    ASSERT_NE(a.embeddedMessage, nullptr);
    EXPECT_EQ(TextOf(a.embeddedMessage->properties, PidTagSubject), u"inner");
    EXPECT_EQ(a.embeddedMessage->properties.Get(PidTagStoreSupportMask), nullptr);
}

TEST(Conversion, ClearSignedKeepsTheSignedEntity) {
    std::string_view signedPart =
        "Content-Type: multipart/signed; protocol=\"application/pkcs7-signature\"; boundary=s\r\n";
    std::string eml = "From: a@b.c\r\nSubject: signed\r\n" + std::string(signedPart) +
                      "\r\n--s\r\nContent-Type: text/plain\r\n\r\nsigned text\r\n"
                      "--s\r\nContent-Type: application/pkcs7-signature\r\n\r\nSIG\r\n--s--\r\n";
    Conversion c = ConvertText(eml);
    const PropertyBag& p = c.message->properties;
    EXPECT_EQ(TextOf(p, PidTagMessageClass), u"IPM.Note.SMIME.MultipartSigned");
    EXPECT_EQ(TextOf(p, PidTagBody), u"signed text");
    EXPECT_EQ(PropertyOf<std::int32_t>(p, PidTagNativeBody), NativeBodyClearSigned);
    ASSERT_EQ(c.message->attachments.size(), 1u);
    const PropertyBag& a = c.message->attachments[0].properties;
    EXPECT_EQ(TextOf(a, PidTagAttachMimeTag), u"multipart/signed");
    Bytes blob = PropertyOf<Bytes>(a, PidTagAttachDataBinary);
    std::string text(blob.begin(), blob.end());
    EXPECT_TRUE(text.starts_with(std::string(signedPart) + "\r\n--s\r\n")) << text;
    EXPECT_TRUE(text.ends_with("--s--\r\n")) << text;
    EXPECT_EQ(text.find("Subject"), std::string::npos);
}

TEST(Conversion, OpaqueSmime) {
    Conversion c = ConvertText(
        "From: a@b.c\r\nContent-Type: application/pkcs7-mime; smime-type=enveloped-data; name=smime.p7m\r\n"
        "Content-Transfer-Encoding: base64\r\n\r\nAAEC\r\n");
    const PropertyBag& p = c.message->properties;
    EXPECT_EQ(TextOf(p, PidTagMessageClass), u"IPM.Note.SMIME");
    EXPECT_EQ(p.Get(PidTagBody), nullptr);
    ASSERT_EQ(c.message->attachments.size(), 1u);
    EXPECT_EQ(PropertyOf<Bytes>(c.message->attachments[0].properties, PidTagAttachDataBinary), (Bytes{0, 1, 2}));
}

TEST(Conversion, CallersClassIsKept) {
    ConversionOptions options;
    options.messageClass = u"IPM.Note.Custom";
    std::string_view eml = "Subject: x\r\n\r\ny\r\n";
    Conversion c = ConvertEml(std::vector<std::uint8_t>(eml.begin(), eml.end()), options);
    EXPECT_EQ(TextOf(c.message->properties, PidTagMessageClass), u"IPM.Note.Custom");
}

TEST(Conversion, UuencodedBlockBecomesAttachment) {
    Conversion c = ConvertText("Subject: uu\r\n\r\nsee file\r\nbegin 644 cat.txt\r\n#8V%T\r\n`\r\nend\r\n");
    EXPECT_EQ(TextOf(c.message->properties, PidTagBody), u"see file\r\n");
    ASSERT_EQ(c.message->attachments.size(), 1u);
    EXPECT_EQ(TextOf(c.message->attachments[0].properties, PidTagAttachLongFilename), u"cat.txt");
}

TEST(Conversion, PlainBodyLineEnds) {
    const std::pair<std::string_view, std::u16string> cases[] = {
        {"Subject: x\n\none\ntwo", u"one\r\ntwo"},
        {"Subject: x\r\n\r\none\r\ntwo", u"one\r\ntwo"},
        {"Subject: x\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\none=0D\r\ntwo", u"one\r\ntwo"},
        {"Subject: x\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\none=0Dtwo", u"one\r\ntwo"},
        {"Subject: x\r\nContent-Type: text/plain; format=flowed\r\n\r\none \r\ntwo", u"one two"},
        {"Subject: x\n\none\r\r\ntwo\n", u"one\r\ntwo\r\n"},
        {"Subject: x\n\na\rb\n\nc\r", u"a\r\nb\r\n\r\nc\r\n"},
    };
    for (const auto& [eml, body] : cases) {
        Conversion c = ConvertText(eml);
        EXPECT_EQ(TextOf(c.message->properties, PidTagBody), body) << eml;
    }
}

// One broken byte in a part labelled UTF-8 costs one character, in the
// plain body and in the text made from an HTML body, and the part keeps
// its code page; the broken text is still recorded when issues are asked for.
TEST(Conversion, LabelledUtf8WithABrokenByteKeepsItsText) {
    const std::string plain =
        "Subject: x\r\nContent-Type: text/plain; charset=utf-8\r\n"
        "Content-Transfer-Encoding: 8bit\r\n\r\nCaf\xC3\xA9 \xE9";
    Conversion c = ConvertText(plain);
    EXPECT_EQ(TextOf(c.message->properties, PidTagBody), u"Caf\u00E9 \uFFFD");
    EXPECT_EQ(PropertyOf<std::int32_t>(c.message->properties, PidTagInternetCodepage), 65001);

    const std::string html =
        "Subject: x\r\nContent-Type: text/html; charset=UTF-8\r\n"
        "Content-Transfer-Encoding: 8bit\r\n\r\n<p>Caf\xC3\xA9 \xE9</p>";
    c = ConvertText(html);
    EXPECT_EQ(TextOf(c.message->properties, PidTagBody).substr(0, 6), u"Caf\u00E9 \uFFFD");

    ConversionOptions options;
    options.nowUnixSeconds = kConversionNow;
    c = ConvertEml(std::vector<std::uint8_t>(plain.begin(), plain.end()), options);
    const bool recorded = std::any_of(c.issues.begin(), c.issues.end(),
                                      [](const auto& issue) { return issue.kind == mime::IssueKind::UndecodableText; });
    EXPECT_TRUE(recorded);
}

// So with a double-byte charset: the Japanese text around a cut character
// stays Japanese, in code page 932, where the whole part was read as
// windows-1252.
TEST(Conversion, LabelledShiftJisWithABrokenByteKeepsItsText) {
    const std::string plain =
        "Subject: x\r\nContent-Type: text/plain; charset=shift_jis\r\n"
        "Content-Transfer-Encoding: 8bit\r\n\r\n\x82\xB1\x82\xF1\x82 \x82\xC9\x82\xBF\x82\xCD";
    ConversionOptions options;
    options.nowUnixSeconds = kConversionNow;
    const Conversion c = ConvertEml(std::vector<std::uint8_t>(plain.begin(), plain.end()), options);
    EXPECT_EQ(TextOf(c.message->properties, PidTagBody), u"\u3053\u3093\uFFFD \u306B\u3061\u306F");
    EXPECT_EQ(PropertyOf<std::int32_t>(c.message->properties, PidTagInternetCodepage), 932);
    EXPECT_TRUE(std::any_of(c.issues.begin(), c.issues.end(),
                            [](const auto& issue) { return issue.kind == mime::IssueKind::UndecodableText; }));
}

// The plain body made from an HTML body keeps text that stands in its head,
// for a lone HTML part and for one inside multipart/mixed.
TEST(Conversion, TextInAnHtmlHeadReachesThePlainBody) {
    const std::string html = "<html><head>X</head><body>Y</body></html>";
    const std::string single = "Subject: x\r\nContent-Type: text/html\r\n\r\n" + html;
    const std::string mixed =
        "Subject: x\r\nContent-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\nContent-Type: text/html\r\n\r\n" + html +
        "\r\n--b\r\nContent-Type: application/octet-stream\r\n\r\nzz\r\n--b--\r\n";
    for (const std::string& eml : {single, mixed}) {
        Conversion c = ConvertText(eml);
        EXPECT_EQ(TextOf(c.message->properties, PidTagBody), u"X Y") << eml;
    }
}

TEST(Conversion, GarbageNeverFails) {
    const std::string_view inputs[] = {"", "\r\n\r\n", "no headers at all", "Content-Type: multipart/mixed\r\n\r\n--",
                                       "From: <<<>>>\r\nTo: ,,,;;;\r\nDate: yesterday\r\n\r\n"};
    for (auto input : inputs) {
        Conversion c = ConvertText(input);
        ASSERT_NE(c.message, nullptr);
        EXPECT_NE(c.message->properties.Get(PidTagSensitivity), nullptr);
        EXPECT_NE(c.message->properties.Get(PidTagBody), nullptr);
    }
}

std::u16string Wide(std::string_view ascii) { return std::u16string(ascii.begin(), ascii.end()); }

std::string Addresses(const char* local, std::size_t count) {
    std::string list;
    for (std::size_t i = 0; i < count; ++i) {
        list += (i == 0 ? "" : ",\r\n ") + std::string(local) + std::to_string(i) + "@example.org";
    }
    return list;
}

std::string FileParts(std::size_t count) {
    std::string parts;
    for (std::size_t i = 0; i < count; ++i) {
        parts += "--b\r\nContent-Type: application/octet-stream; name=\"f" + std::to_string(i) + ".bin\"\r\n\r\nx\r\n";
    }
    return parts;
}

std::vector<const mime::ParseIssue*> IssuesOf(const Conversion& c, mime::IssueKind kind) {
    std::vector<const mime::ParseIssue*> found;
    for (const auto& issue : c.issues) {
        if (issue.kind == kind) found.push_back(&issue);
    }
    return found;
}

bool Writes(const Message& message) {
    VectorSink sink;
    return WriteMessageFile(message, sink).status == WriteStatus::Ok && !sink.Bytes().empty();
}

// A message file holds 2048 recipients and 2048 attachments per message.
// Past that the first rows are written, the display and header properties
// keep every address, and an issue says how many rows were left out.
TEST(Conversion, RecipientsPastTheFileBoundAreLeftOutAndRecorded) {
    struct Case {
        std::size_t to, cc, rows;
        const char* lastRow;
        const char* detail;  // empty: no issue
    };
    const Case cases[] = {
        {2000, 48, 2048, "cc47@example.org", ""},
        {2000, 49, 2048, "cc47@example.org", "1 of 2049 recipients left out; a message file holds 2048"},
        {2100, 30, 2048, "to2047@example.org", "82 of 2130 recipients left out; a message file holds 2048"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.to + c.cc);
        const std::string eml = "From: a@example.org\r\nTo: " + Addresses("to", c.to) +
                                "\r\nCc: " + Addresses("cc", c.cc) + "\r\nSubject: many\r\n\r\nbody\r\n";
        const Conversion converted = ConvertText(eml);
        const Message& message = *converted.message;
        ASSERT_EQ(message.recipients.size(), c.rows);
        const PropertyBag& last = message.recipients.back().properties;
        EXPECT_EQ(TextOf(last, PidTagEmailAddress), Wide(c.lastRow));
        EXPECT_EQ(PropertyOf<std::int32_t>(last, PidTagRowid), 2047);

        const std::u16string displayTo = TextOf(message.properties, PidTagDisplayTo);
        const std::u16string displayCc = TextOf(message.properties, PidTagDisplayCc);
        EXPECT_EQ(std::count(displayTo.begin(), displayTo.end(), u';') + 1, static_cast<std::ptrdiff_t>(c.to));
        EXPECT_EQ(std::count(displayCc.begin(), displayCc.end(), u';') + 1, static_cast<std::ptrdiff_t>(c.cc));
        const std::string lastCc = "cc" + std::to_string(c.cc - 1) + "@example.org";
        EXPECT_TRUE(displayCc.ends_with(Wide(lastCc)));
        const std::u16string headers = TextOf(message.properties, PidTagTransportMessageHeaders);
        EXPECT_NE(headers.find(Wide(lastCc)), std::u16string::npos);

        const auto issues = IssuesOf(converted, mime::IssueKind::RecipientCountLimit);
        if (*c.detail == '\0') {
            EXPECT_TRUE(issues.empty());
        } else {
            ASSERT_EQ(issues.size(), 1u);
            EXPECT_EQ(issues[0]->detail, c.detail);
            EXPECT_EQ(issues[0]->offset, 0u);
        }
        EXPECT_TRUE(Writes(message));
    }
}

TEST(Conversion, AttachmentsPastTheFileBoundAreLeftOutAndRecorded) {
    for (std::size_t files : {std::size_t{2048}, std::size_t{2049}, std::size_t{2300}}) {
        SCOPED_TRACE(files);
        const std::string eml =
            "From: a@example.org\r\nSubject: files\r\nContent-Type: multipart/mixed; boundary=b\r\n\r\n"
            "--b\r\nContent-Type: text/plain\r\n\r\nsee the files\r\n" +
            FileParts(files) + "--b--\r\n";
        const Conversion converted = ConvertText(eml);
        const Message& message = *converted.message;
        ASSERT_EQ(message.attachments.size(), 2048u);
        const PropertyBag& last = message.attachments.back().properties;
        EXPECT_EQ(TextOf(last, PidTagAttachLongFilename), u"f2047.bin");
        EXPECT_EQ(PropertyOf<std::int32_t>(last, PidTagAttachNumber), 2047);
        EXPECT_TRUE(PropertyOf<bool>(message.properties, PidTagHasAttachments));

        const auto issues = IssuesOf(converted, mime::IssueKind::AttachmentCountLimit);
        if (files == 2048) {
            EXPECT_TRUE(issues.empty());
        } else {
            ASSERT_EQ(issues.size(), 1u);
            EXPECT_EQ(issues[0]->detail, std::to_string(files - 2048) + " of " + std::to_string(files) +
                                             " attachments left out; a message file holds 2048");
        }
        EXPECT_TRUE(Writes(message));
    }
}

// An attached mail is a message of its own: it is fitted by itself, and its
// issue points at its own source.
TEST(Conversion, AnAttachedMailIsFittedOnItsOwn) {
    const std::string inner =
        "From: x@example.org\r\nSubject: inner\r\nContent-Type: multipart/mixed; boundary=b\r\n\r\n" + FileParts(2050) +
        "--b--\r\n";
    const std::string eml =
        "From: a@example.org\r\nSubject: outer\r\nContent-Type: multipart/mixed; boundary=m\r\n\r\n"
        "--m\r\nContent-Type: text/plain\r\n\r\nsee attached\r\n"
        "--m\r\nContent-Type: message/rfc822\r\n\r\n" +
        inner + "\r\n--m--\r\n";
    const Conversion converted = ConvertText(eml);
    ASSERT_EQ(converted.message->attachments.size(), 1u);
    const Message* embedded = converted.message->attachments[0].embeddedMessage.get();
    ASSERT_NE(embedded, nullptr);
    EXPECT_EQ(embedded->attachments.size(), 2048u);
    const auto issues = IssuesOf(converted, mime::IssueKind::AttachmentCountLimit);
    ASSERT_EQ(issues.size(), 1u);
    EXPECT_EQ(issues[0]->offset, eml.find("From: x@example.org"));
    EXPECT_EQ(issues[0]->detail, "2 of 2050 attachments left out; a message file holds 2048");
    EXPECT_TRUE(Writes(*converted.message));
}

TEST(Conversion, EmptyMessageCarriesTheBasics) {
    auto message = MakeEmptyMessage(u"IPM.Note");
    EXPECT_EQ(TextOf(message->properties, PidTagMessageClass), u"IPM.Note");
    // The writer alone announces Unicode strings, on every message it writes.
    EXPECT_EQ(message->properties.Get(PidTagStoreSupportMask), nullptr);
    EXPECT_TRUE(message->recipients.empty());
}

}  // namespace
}  // namespace mailvane
