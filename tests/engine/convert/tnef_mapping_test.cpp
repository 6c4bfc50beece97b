#include "engine/mapping/tnef_mapping.h"

#include <gtest/gtest.h>

#include <set>

#include "engine/convert/eml_converter.h"
#include "engine/msg/property_tags.h"
#include "tests/support/tnef_builder.h"

namespace mailvane {
namespace {

using namespace mailvane::tnef::testing;

constexpr std::uint32_t attAttachData = 0x0006800F;
constexpr std::uint32_t attAttachTitle = 0x00018010;
constexpr std::uint32_t attAttachRenddata = 0x00069002;
constexpr std::uint32_t attMAPIProps = 0x00069003;
constexpr std::uint32_t attRecipTable = 0x00069004;
constexpr std::uint32_t attTnefVersion = 0x00089006;
constexpr std::uint32_t attOemCodepage = 0x00069007;
constexpr std::uint32_t attAttachment = 0x00069005;
const Bytes kIidMessage = {0x07, 0x03, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                           0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};

std::string Base64(const Bytes& data) {
    static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (std::size_t i = 0; i < data.size(); i += 3) {
        std::uint32_t chunk = std::uint32_t{data[i]} << 16;
        if (i + 1 < data.size()) chunk |= std::uint32_t{data[i + 1]} << 8;
        if (i + 2 < data.size()) chunk |= data[i + 2];
        out += kAlphabet[(chunk >> 18) & 63];
        out += kAlphabet[(chunk >> 12) & 63];
        out += i + 1 < data.size() ? kAlphabet[(chunk >> 6) & 63] : '=';
        out += i + 2 < data.size() ? kAlphabet[chunk & 63] : '=';
        if (out.size() % 77 == 76) out += "\r\n";
    }
    return out;
}

TnefBuilder Preamble() {
    TnefBuilder b;
    Bytes version, codePage;
    PutU32(version, 0x00010000);
    PutU32(codePage, 1252);
    b.Attribute(TnefBuilder::kMessage, attTnefVersion, version);
    b.Attribute(TnefBuilder::kMessage, attOemCodepage, codePage);
    return b;
}

void AddFile(TnefBuilder& b, const std::string& title, const Bytes& data) {
    Bytes rend(14, 0);
    rend[0] = 1;
    b.Attribute(TnefBuilder::kAttachment, attAttachRenddata, rend);
    b.Attribute(TnefBuilder::kAttachment, attAttachTitle, Ascii(title));
    b.Attribute(TnefBuilder::kAttachment, attAttachData, data);
}

std::string MailWithWinmail(const Bytes& winmail) {
    return "From: a@example.org\r\nTo: b@example.org\r\nSubject: packed\r\nMIME-Version: 1.0\r\n"
           "Content-Type: multipart/mixed; boundary=\"b\"\r\n\r\n"
           "--b\r\nContent-Type: text/plain\r\n\r\nplain rendering\r\n"
           "--b\r\nContent-Type: application/pdf; name=\"outside.pdf\"\r\nContent-Transfer-Encoding: base64\r\n\r\n"
           "JVBERg==\r\n"
           "--b\r\nContent-Type: application/ms-tnef; name=\"winmail.dat\"\r\n"
           "Content-Disposition: attachment; filename=\"winmail.dat\"\r\nContent-Transfer-Encoding: base64\r\n\r\n" +
           Base64(winmail) + "\r\n--b--\r\n";
}

Conversion Convert(const std::string& eml) {
    ConversionOptions options;
    options.nowUnixSeconds = 1700000000;
    return ConvertEml(std::vector<std::uint8_t>(eml.begin(), eml.end()), options);
}

std::unique_ptr<msg::Message> ConvertWithWinmail(const Bytes& winmail) {
    return Convert(MailWithWinmail(winmail)).message;
}

std::u16string Text(const msg::PropertyBag& bag, std::uint32_t tag) {
    const auto* value = bag.Get(tag);
    const auto* text = value ? std::get_if<std::u16string>(value) : nullptr;
    return text ? *text : std::u16string();
}

TEST(TnefMapping, UnpacksTheFilesOfAWinmailPartBesideTheMimeAttachments) {
    TnefBuilder b = Preamble();
    AddFile(b, "notes.txt", Ascii("hello", false));
    AddFile(b, "notes.txt", Ascii("again", false));
    auto message = ConvertWithWinmail(b.Stream());

    ASSERT_EQ(message->attachments.size(), 3u);
    EXPECT_EQ(Text(message->attachments[0].properties, msg::PidTagAttachLongFilename), u"outside.pdf");
    EXPECT_EQ(Text(message->attachments[1].properties, msg::PidTagAttachLongFilename), u"notes.txt");
    EXPECT_EQ(Text(message->attachments[2].properties, msg::PidTagAttachLongFilename), u"notes (2).txt");
    const auto* data = message->attachments[2].properties.Get(msg::PidTagAttachDataBinary);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(std::get<msg::Bytes>(*data), Ascii("again", false));
    for (std::size_t i = 0; i < message->attachments.size(); ++i) {
        const auto* number = message->attachments[i].properties.Get(msg::PidTagAttachNumber);
        ASSERT_NE(number, nullptr);
        EXPECT_EQ(std::get<std::int32_t>(*number), static_cast<std::int32_t>(i));
    }
}

TEST(TnefMapping, TheSendersRtfBodyReplacesTheRenderedOne) {
    TnefBuilder b = Preamble();
    const Bytes rtf = {0x10, 0, 0, 0, 4, 0, 0, 0, 'M', 'E', 'L', 'A', 0, 0, 0, 0, '{', '}', 'x', 'y'};
    b.Attribute(TnefBuilder::kMessage, attMAPIProps, PropertyBlockBuilder().Binary(0x1009, rtf).Build());
    auto message = ConvertWithWinmail(b.Stream());

    const auto* stored = message->properties.Get(msg::PidTagRtfCompressed);
    ASSERT_NE(stored, nullptr);
    EXPECT_EQ(std::get<msg::Bytes>(*stored), rtf);
    EXPECT_EQ(std::get<std::int32_t>(*message->properties.Get(msg::PidTagNativeBody)), msg::NativeBodyRtf);
    EXPECT_EQ(Text(message->properties, msg::PidTagBody).substr(0, 15), u"plain rendering");
    EXPECT_EQ(Text(message->properties, msg::PidTagSubject), u"packed");
}

TEST(TnefMapping, AStreamThatCannotBeReadStaysAFile) {
    auto message = ConvertWithWinmail(Ascii("not a tnef stream", false));
    ASSERT_EQ(message->attachments.size(), 2u);
    EXPECT_EQ(Text(message->attachments[1].properties, msg::PidTagAttachLongFilename), u"winmail.dat");
}

// A message packed inside winmail.dat is fitted to the file's bound like
// any other; its issue points at the winmail.dat part.
TEST(TnefMapping, AnAttachedMessagePastTheFileBoundKeepsWhatFits) {
    TnefBuilder inner = Preamble();
    for (int i = 0; i < 2050; ++i) AddFile(inner, "f" + std::to_string(i) + ".txt", Ascii("x", false));
    Bytes object = kIidMessage;
    const Bytes innerStream = inner.Stream();
    object.insert(object.end(), innerStream.begin(), innerStream.end());
    TnefBuilder outer = Preamble();
    outer.Attribute(TnefBuilder::kAttachment, attAttachRenddata, Bytes(14, 0));
    outer.Attribute(TnefBuilder::kAttachment, attAttachment,
                    PropertyBlockBuilder().Counted(0x000D, 0x3701, {object}).Long(0x3705, 5).Build());
    const Bytes winmail = outer.Stream();
    const std::string eml = MailWithWinmail(winmail);

    const Conversion converted = Convert(eml);
    ASSERT_EQ(converted.message->attachments.size(), 2u);
    const msg::Message* packed = converted.message->attachments[1].embeddedMessage.get();
    ASSERT_NE(packed, nullptr);
    ASSERT_EQ(packed->attachments.size(), 2048u);
    EXPECT_EQ(Text(packed->attachments.back().properties, msg::PidTagAttachLongFilename), u"f2047.txt");
    std::vector<mime::ParseIssue> limits;
    for (const auto& issue : converted.issues) {
        if (issue.kind == mime::IssueKind::AttachmentCountLimit) limits.push_back(issue);
    }
    ASSERT_EQ(limits.size(), 1u);
    EXPECT_EQ(limits[0].offset, eml.find(Base64(winmail)));
    EXPECT_EQ(limits[0].detail, "2 of 2050 attachments left out; a message file holds 2048");
}

// The owner's state is the mail's own header's: the sender's last verb in
// winmail.dat gives way to it, and a message packed inside stays a received,
// read mail as attached MIME mails do.
TEST(TnefMapping, TheOwnersStateOverTheSendersAndNoneForAPackedMessage) {
    TnefBuilder inner = Preamble();
    inner.Attribute(TnefBuilder::kMessage, attMAPIProps,
                    PropertyBlockBuilder().Long(0x1081, 104).Long(0x0E07, 0x8).Build());
    Bytes object = kIidMessage;
    const Bytes innerStream = inner.Stream();
    object.insert(object.end(), innerStream.begin(), innerStream.end());
    TnefBuilder outer = Preamble();
    outer.Attribute(TnefBuilder::kMessage, attMAPIProps, PropertyBlockBuilder().Long(0x1081, 104).Build());
    outer.Attribute(TnefBuilder::kAttachment, attAttachRenddata, Bytes(14, 0));
    outer.Attribute(TnefBuilder::kAttachment, attAttachment,
                    PropertyBlockBuilder().Counted(0x000D, 0x3701, {object}).Long(0x3705, 5).Build());
    const Conversion converted = Convert("X-Status: A\r\nStatus: O\r\n" + MailWithWinmail(outer.Stream()));
    const msg::PropertyBag& p = converted.message->properties;
    EXPECT_EQ(std::get<std::int32_t>(*p.Get(msg::PidTagLastVerbExecuted)), msg::EXCHIVERB_REPLYTOSENDER);
    EXPECT_EQ(std::get<std::int32_t>(*p.Get(msg::PidTagMessageFlags)), msg::mfHasAttach);
    ASSERT_EQ(converted.message->attachments.size(), 2u);
    const msg::Message* packed = converted.message->attachments[1].embeddedMessage.get();
    ASSERT_NE(packed, nullptr);
    EXPECT_EQ(std::get<std::int32_t>(*packed->properties.Get(msg::PidTagMessageFlags)),
              msg::mfRead | msg::mfUnmodified);
}

// A recipient table of an SMTP To and an Exchange Cc recipient.
Bytes TwoRecipients() {
    Bytes table;
    PutU32(table, 2);
    const Bytes ann = PropertyBlockBuilder()
                          .Unicode(0x3001, u"Ann Lee")
                          .Unicode(0x3002, u"SMTP")
                          .Unicode(0x3003, u"ann@example.org")
                          .Long(0x0C15, 1)
                          .Build();
    const Bytes bob = PropertyBlockBuilder()
                          .Unicode(0x3002, u"EX")
                          .Unicode(0x3003, u"/O=EXAMPLE/OU=FIRST ADMINISTRATIVE GROUP/CN=RECIPIENTS/CN=BOB")
                          .Long(0x0C15, 2)
                          .Build();
    table.insert(table.end(), ann.begin(), ann.end());
    table.insert(table.end(), bob.begin(), bob.end());
    return table;
}

void ExpectTheTwoRecipients(const msg::Message& message) {
    ASSERT_EQ(message.recipients.size(), 2u);
    const msg::PropertyBag& ann = message.recipients[0].properties;
    EXPECT_EQ(Text(ann, msg::PidTagDisplayName), u"Ann Lee");
    EXPECT_EQ(Text(ann, msg::PidTagSmtpAddress), u"ann@example.org");
    EXPECT_EQ(std::get<std::int32_t>(*ann.Get(msg::PidTagRecipientType)), msg::MAPI_TO);
    EXPECT_EQ(std::get<std::int32_t>(*ann.Get(msg::PidTagObjectType)), msg::MAPI_MAILUSER);
    ASSERT_NE(ann.Get(msg::PidTagEntryId), nullptr);
    ASSERT_NE(ann.Get(msg::PidTagSearchKey), nullptr);
    const msg::PropertyBag& bob = message.recipients[1].properties;
    // No name in the row: the address stands for it. An Exchange address
    // is kept as it is and never becomes an SMTP address.
    EXPECT_EQ(Text(bob, msg::PidTagDisplayName), u"/O=EXAMPLE/OU=FIRST ADMINISTRATIVE GROUP/CN=RECIPIENTS/CN=BOB");
    EXPECT_EQ(Text(bob, msg::PidTagAddressType), u"EX");
    EXPECT_EQ(bob.Get(msg::PidTagSmtpAddress), nullptr);
    EXPECT_EQ(std::get<std::int32_t>(*bob.Get(msg::PidTagRecipientType)), msg::MAPI_CC);
    EXPECT_EQ(std::get<std::int32_t>(*bob.Get(msg::PidTagRowid)), 1);
    EXPECT_EQ(Text(message.properties, msg::PidTagDisplayTo), u"Ann Lee");
    EXPECT_EQ(Text(message.properties, msg::PidTagDisplayCc),
              u"/O=EXAMPLE/OU=FIRST ADMINISTRATIVE GROUP/CN=RECIPIENTS/CN=BOB");
}

TEST(TnefMapping, TheRecipientTableNamesTheRecipientsOfAMailWhoseHeaderHasNone) {
    TnefBuilder b = Preamble();
    b.Attribute(TnefBuilder::kMessage, attRecipTable, TwoRecipients());
    std::string eml = MailWithWinmail(b.Stream());
    eml.erase(eml.find("To: b@example.org\r\n"), 19);
    const Conversion converted = Convert(eml);
    ExpectTheTwoRecipients(*converted.message);
    // With recipients in the header, those are the mail's.
    const auto withHeader = ConvertWithWinmail(b.Stream());
    ASSERT_EQ(withHeader->recipients.size(), 1u);
    EXPECT_EQ(Text(withHeader->recipients[0].properties, msg::PidTagSmtpAddress), u"b@example.org");
}

TEST(TnefMapping, AnAttachedMessageTakesItsRecipientsFromItsTable) {
    TnefBuilder inner = Preamble();
    inner.Attribute(TnefBuilder::kMessage, attRecipTable, TwoRecipients());
    Bytes object = kIidMessage;
    const Bytes innerStream = inner.Stream();
    object.insert(object.end(), innerStream.begin(), innerStream.end());
    TnefBuilder outer = Preamble();
    outer.Attribute(TnefBuilder::kAttachment, attAttachRenddata, Bytes(14, 0));
    outer.Attribute(TnefBuilder::kAttachment, attAttachment,
                    PropertyBlockBuilder().Counted(0x000D, 0x3701, {object}).Long(0x3705, 5).Build());
    const auto message = ConvertWithWinmail(outer.Stream());
    ASSERT_EQ(message->attachments.size(), 2u);
    const msg::Message* packed = message->attachments[1].embeddedMessage.get();
    ASSERT_NE(packed, nullptr);
    ExpectTheTwoRecipients(*packed);
}

TEST(AttachmentNaming, ThousandsOfOneNameStayDistinct) {
    mapping::AttachmentNamer namer;
    std::set<std::u16string> longNames, shortNames;
    for (int i = 0; i < 3000; ++i) {
        auto names = namer.Assign(u"image.png");
        EXPECT_TRUE(longNames.insert(names.longName).second) << i;
        EXPECT_TRUE(shortNames.insert(names.shortName).second) << i;
        EXPECT_LE(names.shortName.size(), 12u);
    }
    EXPECT_TRUE(longNames.contains(u"image (3000).png"));
}

}  // namespace
}  // namespace mailvane
