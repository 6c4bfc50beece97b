// S/MIME below a message's top level: a signed or encrypted part among
// other parts is attached as a message of its own, mapped by the same rules
// as a protected message.
#include <gtest/gtest.h>

#include <string>

#include "conversion_support.h"
#include "engine/msg/property_tags.h"

namespace mailvane {
namespace {

using namespace mailvane::msg;
using testing::ConvertText;
using testing::PropertyOf;
using testing::TextOf;

TEST(NestedSmime, EncryptedPartInsideMixedIsAnAttachedSmimeMessage) {
    const Conversion c = ConvertText(
        "From: a@example.com\r\nSubject: outer\r\nContent-Type: multipart/mixed; boundary=m\r\n\r\n"
        "--m\r\nContent-Type: text/plain\r\n\r\nSee the encrypted part\r\n"
        "--m\r\nContent-Type: application/pkcs7-mime; smime-type=enveloped-data; name=smime.p7m\r\n"
        "Content-Transfer-Encoding: base64\r\n\r\nAAEC\r\n"
        "--m--\r\n");
    const PropertyBag& p = c.message->properties;
    EXPECT_EQ(TextOf(p, PidTagMessageClass), u"IPM.Note");
    EXPECT_EQ(TextOf(p, PidTagBody), u"See the encrypted part");
    ASSERT_EQ(c.message->attachments.size(), 1u);
    const Attachment& attached = c.message->attachments[0];
    EXPECT_EQ(PropertyOf<std::int32_t>(attached.properties, PidTagAttachMethod), afEmbeddedMessage);
    EXPECT_EQ(TextOf(attached.properties, PidTagAttachMimeTag), u"application/pkcs7-mime");
    ASSERT_NE(attached.embeddedMessage, nullptr);
    const Message& inner = *attached.embeddedMessage;
    EXPECT_EQ(TextOf(inner.properties, PidTagMessageClass), u"IPM.Note.SMIME");
    EXPECT_EQ(inner.properties.Get(PidTagBody), nullptr);
    ASSERT_EQ(inner.attachments.size(), 1u);
    EXPECT_EQ(TextOf(inner.attachments[0].properties, PidTagAttachLongFilename), u"smime.p7m");
    EXPECT_EQ(PropertyOf<Bytes>(inner.attachments[0].properties, PidTagAttachDataBinary), (Bytes{0, 1, 2}));
}

TEST(NestedSmime, SignedPartInsideMixedIsAnAttachedSignedMessage) {
    const std::string signedHeader =
        "Content-Type: multipart/signed; protocol=\"application/pkcs7-signature\"; micalg=sha-256; boundary=s\r\n";
    const Conversion c = ConvertText(
        "From: a@example.com\r\nSubject: list post\r\nContent-Type: multipart/mixed; boundary=m\r\n\r\n"
        "--m\r\n" +
        signedHeader +
        "\r\n--s\r\nContent-Type: text/plain\r\n\r\nSigned text\r\n"
        "--s\r\nContent-Type: application/pkcs7-signature; name=smime.p7s\r\n\r\nSIG\r\n--s--\r\n"
        "--m\r\nContent-Type: text/plain\r\n\r\nList footer\r\n"
        "--m--\r\n");
    EXPECT_EQ(TextOf(c.message->properties, PidTagMessageClass), u"IPM.Note");
    EXPECT_EQ(TextOf(c.message->properties, PidTagBody), u"List footer");
    ASSERT_EQ(c.message->attachments.size(), 1u);
    const Attachment& attached = c.message->attachments[0];
    ASSERT_NE(attached.embeddedMessage, nullptr);
    const Message& inner = *attached.embeddedMessage;
    EXPECT_EQ(TextOf(inner.properties, PidTagMessageClass), u"IPM.Note.SMIME.MultipartSigned");
    EXPECT_EQ(TextOf(inner.properties, PidTagBody), u"Signed text");
    ASSERT_EQ(inner.attachments.size(), 1u);
    const Bytes blob = PropertyOf<Bytes>(inner.attachments[0].properties, PidTagAttachDataBinary);
    const std::string text(blob.begin(), blob.end());
    EXPECT_TRUE(text.starts_with(signedHeader + "\r\n--s\r\n")) << text;
    EXPECT_TRUE(text.ends_with("--s--")) << text;
}

// OpenPGP signatures are no S/MIME: such a part stays the body with its
// signature beside it, as before.
TEST(NestedSmime, OpenPgpSignedPartStaysTheBody) {
    const Conversion c = ConvertText(
        "From: a@example.com\r\nContent-Type: multipart/mixed; boundary=m\r\n\r\n"
        "--m\r\nContent-Type: multipart/signed; protocol=\"application/pgp-signature\"; boundary=s\r\n\r\n"
        "--s\r\nContent-Type: text/plain\r\n\r\nSigned text\r\n"
        "--s\r\nContent-Type: application/pgp-signature; name=signature.asc\r\n\r\nSIG\r\n--s--\r\n"
        "--m\r\nContent-Type: text/plain\r\n\r\nList footer\r\n"
        "--m--\r\n");
    EXPECT_EQ(TextOf(c.message->properties, PidTagBody), u"Signed text\r\nList footer");
    ASSERT_EQ(c.message->attachments.size(), 1u);
    EXPECT_EQ(c.message->attachments[0].embeddedMessage, nullptr);
    EXPECT_EQ(TextOf(c.message->attachments[0].properties, PidTagAttachLongFilename), u"signature.asc");
}

}  // namespace
}  // namespace mailvane
