// Properties Outlook writes for a received mail, held against hand-written
// mails: each test is one rule Outlook's own files follow.
#include <gtest/gtest.h>

#include <string>

#include "conversion_support.h"
#include "engine/io/vector_sink.h"
#include "engine/mapping/attachment_naming.h"
#include "engine/msg/msg_writer.h"
#include "engine/msg/property_tags.h"
#include "tests/support/compound_file_reader.h"
#include "tests/support/msg_file_reader.h"

namespace mailvane {
namespace {

using namespace mailvane::msg;

using testing::ConvertText;

template <typename T>
const T* Find(const PropertyBag& bag, std::uint32_t tag) {
    const PropertyValue* value = bag.Get(tag);
    return value ? std::get_if<T>(value) : nullptr;
}

std::u16string Text(const PropertyBag& bag, std::uint32_t tag) {
    const auto* text = Find<std::u16string>(bag, tag);
    return text ? *text : u"<absent>";
}

std::optional<std::int32_t> Long(const PropertyBag& bag, std::uint32_t tag) {
    const auto* value = Find<std::int32_t>(bag, tag);
    return value ? std::optional<std::int32_t>(*value) : std::nullopt;
}

const NamedProperty* FindNamed(const PropertyBag& bag, const PropertyName& name) {
    for (const auto& named : bag.Named()) {
        if (named.name == name) return &named;
    }
    return nullptr;
}

// The display name a one-off entry id carries (Unicode form).
std::u16string OneOffName(const Bytes& entryId) {
    std::u16string name;
    for (std::size_t i = 24; i + 1 < entryId.size(); i += 2) {
        const auto unit = static_cast<char16_t>(entryId[i] | (entryId[i + 1] << 8));
        if (unit == 0) break;
        name += unit;
    }
    return name;
}

std::string Mail(std::string_view headers, std::string_view body = "Hello\r\n") {
    return "From: Ann <ann@example.org>\r\nTo: bob@example.com\r\nSubject: Plans\r\n"
           "Date: Tue, 14 Nov 2023 22:13:20 +0000\r\n" +
           std::string(headers) + "\r\n" + std::string(body);
}

// Thread-Index: 0x01, five time bytes, a GUID, then one five-byte child
// block: 27 bytes, written for this test.
constexpr char kThreadIndex[] = "AdoXAQIDBAUGBwgJCgsMDQ4PEBESExQVFhcY";
const Bytes kThreadIndexBytes = {0x01, 0xDA, 0x17, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B,
                                 0x0C, 0x0D, 0x0E, 0x0F, 0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18};

TEST(OutlookProperties, ThreadIndexIsTheConversationIndexByteForByte) {
    const Conversion c = ConvertText(Mail(std::string("Thread-Index: ") + kThreadIndex + "\r\n"));
    const Bytes* index = Find<Bytes>(c.message->properties, PidTagConversationIndex);
    ASSERT_NE(index, nullptr);
    EXPECT_EQ(*index, kThreadIndexBytes);
    // Outlook keeps the field in its property only, not as a header property.
    for (const auto& named : c.message->properties.Named()) {
        EXPECT_NE(std::get_if<std::u16string>(&named.name.name) ? *std::get_if<std::u16string>(&named.name.name)
                                                                : std::u16string(),
                  u"Thread-Index");
    }
}

TEST(OutlookProperties, ConversationIndexIsBuiltWhenThreadIndexIsUnusable) {
    const std::string unusable[] = {
        "",                                           // no field
        "Thread-Index: not*base64!\r\n",              // bytes outside the alphabet
        "Thread-Index: AdoXAQIDBAUGBwgJCgsMDQ==\r\n"  // 16 bytes: shorter than a header block
    };
    // The header block: 0x01, then the FILETIME of the Date below its top
    // byte, five bytes from the most significant.
    const std::uint64_t ticks = FileTime::FromUnixSeconds(1700000000).ticks;
    for (const auto& field : unusable) {
        const Conversion c = ConvertText(Mail(field));
        const Bytes* index = Find<Bytes>(c.message->properties, PidTagConversationIndex);
        ASSERT_NE(index, nullptr) << field;
        ASSERT_EQ(index->size(), 22u) << field;
        EXPECT_EQ((*index)[0], 0x01);
        for (int i = 0; i < 5; ++i) {
            EXPECT_EQ((*index)[1 + i], static_cast<std::uint8_t>(ticks >> (48 - 8 * i))) << field << " byte " << i;
        }
    }
}

TEST(OutlookProperties, ThreadTopicIsTheConversationTopic) {
    EXPECT_EQ(Text(ConvertText(Mail("Thread-Topic: Plans for =?utf-8?q?M=C3=A4rz?=\r\n")).message->properties,
                   PidTagConversationTopic),
              u"Plans for März");
    // Without the field the topic is the normalized subject.
    EXPECT_EQ(Text(ConvertText(Mail("")).message->properties, PidTagConversationTopic), u"Plans");
}

TEST(OutlookProperties, IconIndexFollowsTheMessageClass) {
    EXPECT_EQ(Long(ConvertText(Mail("")).message->properties, PidTagIconIndex), IconIndexFromClass);
    // Outlook leaves the index out for the signed class: it draws the icon from the class.
    const Conversion signedMail = ConvertText(
        Mail("MIME-Version: 1.0\r\nContent-Type: multipart/signed; protocol=\"application/pkcs7-signature\"; "
             "boundary=s\r\n",
             "--s\r\nContent-Type: text/plain\r\n\r\nHello\r\n--s\r\nContent-Type: application/pkcs7-signature\r\n\r\n"
             "SIG\r\n--s--\r\n"));
    EXPECT_EQ(Text(signedMail.message->properties, PidTagMessageClass), u"IPM.Note.SMIME.MultipartSigned");
    EXPECT_EQ(signedMail.message->properties.Get(PidTagIconIndex), nullptr);
}

TEST(OutlookProperties, ReceivedMailIsUnmodifiedAtEveryLevel) {
    const Conversion c = ConvertText(Mail("MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=m\r\n",
                                          "--m\r\nContent-Type: text/plain\r\n\r\nSee below\r\n"
                                          "--m\r\nContent-Type: message/rfc822\r\n\r\n"
                                          "From: carol@example.net\r\nSubject: Inner\r\n\r\nInner text\r\n--m--\r\n"));
    EXPECT_EQ(Long(c.message->properties, PidTagMessageFlags), mfRead | mfUnmodified | mfHasAttach);
    ASSERT_EQ(c.message->attachments.size(), 1u);
    const auto& inner = c.message->attachments[0].embeddedMessage;
    ASSERT_NE(inner, nullptr);
    EXPECT_EQ(Long(inner->properties, PidTagMessageFlags), mfRead | mfUnmodified);
}

TEST(OutlookProperties, EditorFormatFollowsTheChosenBody) {
    EXPECT_EQ(Long(ConvertText(Mail("")).message->properties, PidTagMessageEditorFormat), EDITOR_FORMAT_PLAINTEXT);
    const Conversion html = ConvertText(Mail("MIME-Version: 1.0\r\nContent-Type: multipart/alternative; boundary=a\r\n",
                                             "--a\r\nContent-Type: text/plain\r\n\r\nHello\r\n"
                                             "--a\r\nContent-Type: text/html\r\n\r\n<p>Hello</p>\r\n--a--\r\n"));
    EXPECT_EQ(Long(html.message->properties, PidTagMessageEditorFormat), EDITOR_FORMAT_HTML);
    // An opaque S/MIME message has no body to edit.
    const Conversion opaque =
        ConvertText(Mail("MIME-Version: 1.0\r\nContent-Type: application/pkcs7-mime; smime-type=enveloped-data\r\n"
                         "Content-Transfer-Encoding: base64\r\n",
                         "MIAGCSqGSIb3DQEHA6CAMIACAQ==\r\n"));
    EXPECT_EQ(Text(opaque.message->properties, PidTagMessageClass), u"IPM.Note.SMIME");
    EXPECT_EQ(opaque.message->properties.Get(PidTagMessageEditorFormat), nullptr);
}

TEST(OutlookProperties, LocaleFromContentLanguage) {
    struct Row {
        const char* field;
        std::optional<std::int32_t> lcid;
    };
    const Row rows[] = {
        {"Content-Language: de\r\n", 0x0407},
        {"Content-Language: en-US, fr\r\n", 0x0409},
        {"Content-Language: fr-ca\r\n", 0x0C0C},
        {"Content-Language: x-klingon\r\n", std::nullopt},
        {"", std::nullopt},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(Long(ConvertText(Mail(row.field)).message->properties, PidTagMessageLocaleId), row.lcid) << row.field;
    }
}

TEST(OutlookProperties, LocaleFromTheCodePageOfAMailWithoutALanguage) {
    struct Row {
        const char* fields;
        std::optional<std::int32_t> lcid;
    };
    const Row rows[] = {
        {"Content-Type: text/plain; charset=big5\r\n", 0x0404},
        {"Content-Type: text/plain; charset=windows-1251\r\n", 0x0419},
        // The language a mail names wins over its code page's.
        {"Content-Language: de\r\nContent-Type: text/plain; charset=windows-1251\r\n", 0x0407},
        {"Content-Language: x-klingon\r\nContent-Type: text/plain; charset=koi8-r\r\n", 0x0419},
        {"Content-Type: text/plain; charset=utf-8\r\n", std::nullopt},
        {"Content-Type: text/plain; charset=iso-8859-1\r\n", std::nullopt},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(Long(ConvertText(Mail(row.fields, "Hi\r\n")).message->properties, PidTagMessageLocaleId), row.lcid)
            << row.fields;
    }
    // An attached mail takes its own body's.
    const Conversion c = ConvertText(
        Mail("MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=m\r\n",
             "--m\r\nContent-Type: text/plain\r\n\r\nSee attached\r\n--m\r\nContent-Type: message/rfc822\r\n\r\n"
             "From: c@example.net\r\nContent-Type: text/plain; charset=big5\r\n\r\nx\r\n--m--\r\n"));
    EXPECT_EQ(Long(c.message->properties, PidTagMessageLocaleId), std::nullopt);
    ASSERT_EQ(c.message->attachments.size(), 1u);
    ASSERT_NE(c.message->attachments[0].embeddedMessage, nullptr);
    EXPECT_EQ(Long(c.message->attachments[0].embeddedMessage->properties, PidTagMessageLocaleId), 0x0404);
}

TEST(OutlookProperties, ReturnPathWithoutItsBrackets) {
    const Conversion c = ConvertText(Mail("Return-Path: <bounces+ann@lists.example.org>\r\n"));
    EXPECT_EQ(Text(c.message->properties, PidTagInternetReturnPath), u"bounces+ann@lists.example.org");
    EXPECT_EQ(FindNamed(c.message->properties, PropertyName{PS_INTERNET_HEADERS, std::u16string(u"Return-Path")}),
              nullptr);
    // The null reverse path of a bounce names no address.
    EXPECT_EQ(ConvertText(Mail("Return-Path: <>\r\n")).message->properties.Get(PidTagInternetReturnPath), nullptr);
}

TEST(OutlookProperties, RecipientNamesAsOutlookWritesThem) {
    const Conversion c = ConvertText(
        "From: Ann <ann@example.org>\r\n"
        "To: \"'Bob Stone'\" <bob@example.com>, \"\\\"Carol\\\"\" <carol@example.net>, dan@example.com,\r\n"
        " \"'Eve' and 'Fay'\" <team@example.com>\r\n\r\nHi\r\n");
    ASSERT_EQ(c.message->recipients.size(), 4u);
    struct Row {
        std::u16string display, bare;
    };
    const Row rows[] = {{u"'Bob Stone'", u"Bob Stone"},
                        {u"\"Carol\"", u"Carol"},
                        {u"dan@example.com", u"dan@example.com"},
                        // Two quoted names, not one name in quotes.
                        {u"'Eve' and 'Fay'", u"'Eve' and 'Fay'"}};
    for (std::size_t i = 0; i < 4; ++i) {
        const PropertyBag& r = c.message->recipients[i].properties;
        EXPECT_EQ(Text(r, PidTagDisplayName), rows[i].display);
        EXPECT_EQ(Text(r, PidTagTransmittableDisplayName), rows[i].display);
        EXPECT_EQ(Text(r, PidTagRecipientDisplayName), rows[i].bare);
        const Bytes* entryId = Find<Bytes>(r, PidTagEntryId);
        ASSERT_NE(entryId, nullptr);
        EXPECT_EQ(OneOffName(*entryId), rows[i].bare);
        const Bytes* recipientEntryId = Find<Bytes>(r, PidTagRecipientEntryId);
        ASSERT_NE(recipientEntryId, nullptr);
        EXPECT_EQ(*recipientEntryId, *entryId);
    }
}

// The sender's name as the recipients' is: its quotes kept where Outlook
// shows the name, dropped from the one-off entry id, on both the sender and
// the represented sender.
TEST(OutlookProperties, SenderNameAsOutlookWritesIt) {
    const Conversion c = ConvertText("From: \"'Ann Lee'\" <ann@example.org>\r\nTo: bob@example.com\r\n\r\nHi\r\n");
    const PropertyBag& p = c.message->properties;
    for (const auto& [name, entryId] : {std::pair{PidTagSenderName, PidTagSenderEntryId},
                                        std::pair{PidTagSentRepresentingName, PidTagSentRepresentingEntryId}}) {
        EXPECT_EQ(Text(p, name), u"'Ann Lee'");
        const Bytes* id = Find<Bytes>(p, entryId);
        ASSERT_NE(id, nullptr);
        EXPECT_EQ(OneOffName(*id), u"Ann Lee");
    }
}

TEST(OutlookProperties, AttachedMailIsNamedBySubject) {
    const std::string body =
        "--m\r\nContent-Type: text/plain\r\n\r\nTwo attached\r\n"
        "--m\r\nContent-Type: message/rfc822\r\n\r\nFrom: c@example.net\r\nSubject: Q3 minutes: draft\r\n\r\nx\r\n"
        "--m\r\nContent-Type: message/rfc822\r\n\r\nFrom: c@example.net\r\n\r\nno subject\r\n--m--\r\n";
    const Conversion c = ConvertText(Mail("MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=m\r\n", body));
    ASSERT_EQ(c.message->attachments.size(), 2u);
    const PropertyBag& named = c.message->attachments[0].properties;
    EXPECT_EQ(Text(named, PidTagDisplayName), u"Q3 minutes: draft");
    // A file name: the colon Windows refuses becomes '_', no extension.
    EXPECT_EQ(Text(named, PidTagAttachFilename), u"Q3 minutes_ draft");
    EXPECT_EQ(Text(c.message->attachments[1].properties, PidTagAttachFilename), u"Attached message");
}

TEST(OutlookProperties, AttachmentFromMimeIsTaggedAndTyped) {
    const Conversion c = ConvertText(Mail("MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=m\r\n",
                                          "--m\r\nContent-Type: text/plain\r\n\r\nSee the file\r\n"
                                          "--m\r\nContent-Type: application/rtf\r\n\r\n{\\rtf1 x}\r\n--m--\r\n"));
    ASSERT_EQ(c.message->attachments.size(), 1u);
    const PropertyBag& a = c.message->attachments[0].properties;
    EXPECT_EQ(Long(a, PidTagObjectType), MAPI_ATTACH);
    const Bytes* tag = Find<Bytes>(a, PidTagAttachTag);
    ASSERT_NE(tag, nullptr);
    EXPECT_EQ(*tag, (Bytes{0x2A, 0x86, 0x48, 0x86, 0xF7, 0x14, 0x03, 0x0A, 0x04}));
    // No name: one from the media type, so that Windows opens it with the right program.
    EXPECT_EQ(Text(a, PidTagAttachLongFilename), u"attachment.rtf");
    EXPECT_EQ(Text(a, PidTagAttachExtension), u".rtf");
}

TEST(OutlookProperties, ExtensionFromMediaType) {
    struct Row {
        const char* type;
        const char16_t* name;
    };
    const Row rows[] = {
        {"application/rtf", u"attachment.rtf"},
        {"image/png", u"attachment.png"},
        {"image/tiff", u"attachment.tif"},
        {"application/msword", u"attachment.doc"},
        {"application/vnd.openxmlformats-officedocument.wordprocessingml.document", u"attachment.docx"},
        {"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet", u"attachment.xlsx"},
        {"audio/mpeg", u"attachment.mp3"},
        {"text/vcard", u"attachment.vcf"},
        {"application/atom+xml", u"attachment.xml"},
        {"application/ld+json", u"attachment.json"},
        {"text/x-unheard-of", u"attachment.txt"},
        {"application/x-unheard-of", u"attachment.dat"},
    };
    for (const Row& row : rows) EXPECT_EQ(mapping::FallbackFileName(row.type), row.name) << row.type;
}

// A mail whose only attachment is a picture the HTML shows.
constexpr std::string_view kPictureInBody =
    "From: Ann <ann@example.org>\r\nTo: bob@example.com\r\nSubject: Logo\r\n"
    "Date: Tue, 14 Nov 2023 22:13:20 +0000\r\nReturn-Path: <ann@example.org>\r\n"
    "MIME-Version: 1.0\r\nContent-Type: multipart/related; boundary=r\r\n\r\n"
    "--r\r\nContent-Type: text/html\r\n\r\n<p>Our logo</p><img src=\"cid:logo@example.org\">\r\n"
    "--r\r\nContent-Type: image/png\r\nContent-ID: <logo@example.org>\r\n\r\nPNG\r\n--r--\r\n";

TEST(OutlookProperties, NoPaperClipWhenEveryAttachmentIsInTheBody) {
    const PropertyName smartNoAttach{PSETID_Common, PidLidSmartNoAttach};
    const Conversion hidden = ConvertText(kPictureInBody);
    const NamedProperty* flag = FindNamed(hidden.message->properties, smartNoAttach);
    ASSERT_NE(flag, nullptr);
    EXPECT_EQ(std::get<bool>(flag->value), true);
    // A file beside the picture is a visible attachment.
    std::string withFile(kPictureInBody);
    withFile.replace(withFile.find("multipart/related; boundary=r"), 29, "multipart/mixed; boundary=m");
    withFile.replace(withFile.find("\r\n\r\n--r\r\n") + 4, 0,
                     "--m\r\nContent-Type: multipart/related; boundary=r\r\n\r\n");
    withFile += "--m\r\nContent-Type: application/pdf; name=a.pdf\r\n\r\n%PDF\r\n--m--\r\n";
    const Conversion visible = ConvertText(withFile);
    ASSERT_EQ(visible.message->attachments.size(), 2u);
    EXPECT_EQ(FindNamed(visible.message->properties, smartNoAttach), nullptr);
}

// What the writer puts in the file, read back with the test reader.
TEST(OutlookProperties, WrittenFileCarriesThem) {
    Conversion c = ConvertText(kPictureInBody);
    VectorSink sink;
    ASSERT_EQ(WriteMessageFile(*c.message, sink).status, WriteStatus::Ok);
    testing::CompoundFileReader file;
    ASSERT_TRUE(file.Open(sink.Take())) << file.Error();
    testing::MsgFileReader reader;
    ASSERT_TRUE(reader.Open(file)) << reader.Error();
    const testing::MsgObject& message = reader.Message();
    const auto number = [&](std::uint32_t tag) {
        const testing::MsgProperty* property = message.Find(tag);
        return property ? property->AsInt32() : std::nullopt;
    };
    EXPECT_EQ(number(PidTagMessageFlags), mfRead | mfUnmodified | mfHasAttach);
    EXPECT_EQ(number(PidTagIconIndex), -1);
    EXPECT_EQ(number(PidTagMessageEditorFormat), EDITOR_FORMAT_HTML);
    const testing::MsgProperty* returnPath = message.Find(PidTagInternetReturnPath);
    ASSERT_NE(returnPath, nullptr);
    EXPECT_EQ(returnPath->AsString(), u"ann@example.org");
    const testing::MsgProperty* smartNoAttach = message.FindNamed(PropertyName{PSETID_Common, PidLidSmartNoAttach});
    ASSERT_NE(smartNoAttach, nullptr);
    EXPECT_EQ(TagType(smartNoAttach->tag), PropType::Boolean);
    EXPECT_EQ(smartNoAttach->fixedValue[0], 1);
    ASSERT_EQ(message.attachments.size(), 1u);
    const testing::MsgProperty* tag = message.attachments[0].Find(PidTagAttachTag);
    ASSERT_NE(tag, nullptr);
    EXPECT_EQ(tag->stream, (std::vector<std::uint8_t>{0x2A, 0x86, 0x48, 0x86, 0xF7, 0x14, 0x03, 0x0A, 0x04}));
}

}  // namespace
}  // namespace mailvane
