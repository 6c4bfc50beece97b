// Which parts the HTML body draws (hidden, rendered in the body) and which
// stay attachments a reader sees.
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

const PropertyBag* AttachmentNamed(const Conversion& c, std::u16string_view name) {
    for (const auto& attachment : c.message->attachments) {
        const auto* value = attachment.properties.Get(PidTagAttachLongFilename);
        if (value && std::get<std::u16string>(*value) == name) return &attachment.properties;
    }
    ADD_FAILURE() << "no attachment of that name";
    return nullptr;
}

bool Drawn(const PropertyBag* attachment) {
    if (!attachment) return false;
    const bool hidden =
        attachment->Get(PidTagAttachmentHidden) != nullptr && PropertyOf<bool>(*attachment, PidTagAttachmentHidden);
    const bool flagged = attachment->Get(PidTagAttachFlags) != nullptr &&
                         PropertyOf<std::int32_t>(*attachment, PidTagAttachFlags) == attRenderedInBody;
    EXPECT_EQ(hidden, flagged);
    return hidden && flagged;
}

TEST(InlineParts, RelatedTextPartsAreAttachmentsUnlessTheHtmlDrawsThem) {
    const Conversion c = ConvertText(
        "From: a@example.com\r\nContent-Type: multipart/related; boundary=r\r\n\r\n"
        "--r\r\nContent-Type: text/html\r\n\r\n"
        "<p>See notes.txt.</p><iframe src=\"cid:drawn@x\"></iframe><iframe src=\"cid:marked@x\"></iframe>\r\n"
        "--r\r\nContent-Type: text/plain; name=notes.txt\r\nContent-Disposition: inline\r\n"
        "Content-Location: notes.txt\r\nContent-ID: <notes@x>\r\n\r\nnotes\r\n"
        "--r\r\nContent-Type: text/plain; name=drawn.txt\r\nContent-ID: <drawn@x>\r\n\r\ndrawn\r\n"
        "--r\r\nContent-Type: text/plain\r\nContent-Disposition: attachment; filename=marked.txt\r\n"
        "Content-ID: <marked@x>\r\n\r\nmarked\r\n"
        "--r--\r\n");
    EXPECT_EQ(TextOf(c.message->properties, PidTagBody), u"See notes.txt.");
    ASSERT_EQ(c.message->attachments.size(), 3u);
    EXPECT_FALSE(Drawn(AttachmentNamed(c, u"notes.txt")));
    EXPECT_TRUE(Drawn(AttachmentNamed(c, u"drawn.txt")));
    EXPECT_FALSE(Drawn(AttachmentNamed(c, u"marked.txt")));
}

TEST(InlineParts, ImagesTheHtmlDrawsOutsideRelatedAreHidden) {
    const Conversion c = ConvertText(
        "From: a@example.com\r\nContent-Type: multipart/mixed; boundary=m\r\n\r\n"
        "--m\r\nContent-Type: multipart/alternative; boundary=a\r\n\r\n"
        "--a\r\nContent-Type: text/plain\r\n\r\nlogo\r\n"
        "--a\r\nContent-Type: text/html\r\n\r\n<img src=\"cid:logo%40x\"><a href=\"cid:photo@x\">photo</a>\r\n"
        "--a--\r\n"
        "--m\r\nContent-Type: image/png; name=logo.png\r\nContent-Disposition: inline\r\n"
        "Content-ID: <logo@x>\r\n\r\nPNG\r\n"
        "--m\r\nContent-Type: image/png; name=photo.png\r\nContent-ID: <photo@x>\r\n\r\nPNG\r\n"
        "--m\r\nContent-Type: application/pdf; name=logo.pdf\r\nContent-ID: <pdf@x>\r\n\r\n%PDF\r\n"
        "--m--\r\n");
    ASSERT_EQ(c.message->attachments.size(), 3u);
    EXPECT_TRUE(Drawn(AttachmentNamed(c, u"logo.png")));
    EXPECT_FALSE(Drawn(AttachmentNamed(c, u"photo.png")));  // a link is no image drawn
    EXPECT_FALSE(Drawn(AttachmentNamed(c, u"logo.pdf")));
}

TEST(InlineParts, ContentLocationsResolveAgainstTheirBases) {
    const Conversion c = ConvertText(
        "From: a@example.com\r\nContent-Type: multipart/related; boundary=r\r\n"
        "Content-Base: http://example.com/news/\r\n\r\n"
        "--r\r\nContent-Type: text/html\r\n\r\n"
        "<img src=\"images/a.gif\"><img src=\"http://example.com/img/b.gif\">"
        "<div style=\"background: url('../img/c.gif')\"></div>\r\n"
        "--r\r\nContent-Type: image/gif; name=a.gif\r\n"
        "Content-Location: http://example.com/news/images/a.gif\r\n\r\nGIF\r\n"
        "--r\r\nContent-Type: image/gif; name=b.gif\r\nContent-Base: http://example.com/img/sub/\r\n"
        "Content-Location: ../b.gif\r\n\r\nGIF\r\n"
        "--r\r\nContent-Type: image/gif; name=c.gif\r\nContent-Location: http://example.com/\r\n "
        "img/c.gif\r\n\r\nGIF\r\n"
        "--r\r\nContent-Type: image/gif; name=d.gif\r\nContent-Location: images/d.gif\r\n\r\nGIF\r\n"
        "--r--\r\n");
    ASSERT_EQ(c.message->attachments.size(), 4u);
    EXPECT_TRUE(Drawn(AttachmentNamed(c, u"a.gif")));
    const PropertyBag* b = AttachmentNamed(c, u"b.gif");
    EXPECT_TRUE(Drawn(b));
    if (b) {
        EXPECT_EQ(TextOf(*b, PidTagAttachContentBase), u"http://example.com/img/sub/");
        EXPECT_EQ(TextOf(*b, PidTagAttachContentLocation), u"../b.gif");
    }
    EXPECT_TRUE(Drawn(AttachmentNamed(c, u"c.gif")));
    EXPECT_FALSE(Drawn(AttachmentNamed(c, u"d.gif")));
}

TEST(InlineParts, TheHtmlsOwnBaseResolvesItsUrls) {
    const Conversion c = ConvertText(
        "From: a@example.com\r\nContent-Type: multipart/related; boundary=r\r\n\r\n"
        "--r\r\nContent-Type: text/html\r\nContent-Location: http://example.com/page/index.html\r\n\r\n"
        "<img src=\"a.gif\"><base href=\"http://example.com/other/\">\r\n"
        "--r\r\nContent-Type: image/gif; name=a.gif\r\nContent-Location: http://example.com/other/a.gif\r\n\r\nGIF\r\n"
        "--r\r\nContent-Type: image/gif; name=b.gif\r\nContent-Location: http://example.com/page/a.gif\r\n\r\nGIF\r\n"
        "--r--\r\n");
    ASSERT_EQ(c.message->attachments.size(), 2u);
    EXPECT_TRUE(Drawn(AttachmentNamed(c, u"a.gif")));
    EXPECT_FALSE(Drawn(AttachmentNamed(c, u"b.gif")));
}

TEST(InlineParts, RelatedPartsAroundPlainTextAreAttachments) {
    const Conversion c = ConvertText(
        "From: a@example.com\r\nContent-Type: multipart/related; boundary=r\r\n\r\n"
        "--r\r\nContent-Type: text/plain\r\n\r\nsee the picture\r\n"
        "--r\r\nContent-Type: image/png; name=pic.png\r\nContent-ID: <pic@x>\r\n\r\nPNG\r\n"
        "--r--\r\n");
    EXPECT_EQ(TextOf(c.message->properties, PidTagBody), u"see the picture");
    ASSERT_EQ(c.message->attachments.size(), 1u);
    EXPECT_FALSE(Drawn(AttachmentNamed(c, u"pic.png")));
}

}  // namespace
}  // namespace mailvane
