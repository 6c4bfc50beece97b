#include "engine/mapping/body_selection.h"

#include <gtest/gtest.h>

#include "mime_builders.h"

namespace mailvane::mapping {
namespace {

using testing::Leaf;
using testing::Multipart;
using testing::Parts;

TEST(BodySelection, SingleTextPlain) {
    auto root = Leaf("text/plain");
    BodySelection s = SelectBody(*root);
    EXPECT_EQ(s.plain, root.get());
    EXPECT_EQ(s.html, nullptr);
    EXPECT_TRUE(s.promoted.contains(root.get()));
}

TEST(BodySelection, AlternativeGivesTextAndHtml) {
    auto root = Multipart("multipart/alternative", Parts(Leaf("text/plain"), Leaf("text/html")));
    BodySelection s = SelectBody(*root);
    EXPECT_EQ(s.plain, root->children[0].get());
    EXPECT_EQ(s.html, root->children[1].get());
    EXPECT_EQ(s.promoted.size(), 2u);
}

TEST(BodySelection, AlternativeWithCalendarKeepsCalendarOut) {
    auto root = Multipart("multipart/alternative", Parts(Leaf("text/plain"), Leaf("text/html"), Leaf("text/calendar")));
    BodySelection s = SelectBody(*root);
    EXPECT_EQ(s.calendar, nullptr);
    EXPECT_FALSE(s.promoted.contains(root->children[2].get()));
}

TEST(BodySelection, RelatedStartingWithHtml) {
    auto root = Multipart("multipart/related", Parts(Leaf("text/html"), Leaf("image/png", "PNG")));
    BodySelection s = SelectBody(*root);
    EXPECT_EQ(s.html, root->children[0].get());
    EXPECT_EQ(s.related, root.get());
    EXPECT_FALSE(s.promoted.contains(root->children[1].get()));
}

TEST(BodySelection, AlternativeHoldingRelatedHtml) {
    auto related = Multipart("multipart/related", Parts(Leaf("text/html"), Leaf("image/gif", "GIF")));
    auto* relatedPtr = related.get();
    auto root = Multipart("multipart/mixed",
                          Parts(Multipart("multipart/alternative", Parts(Leaf("text/plain"), std::move(related))),
                                Leaf("application/pdf", "%PDF", "attachment")));
    BodySelection s = SelectBody(*root);
    ASSERT_NE(s.plain, nullptr);
    EXPECT_EQ(s.html, relatedPtr->children[0].get());
    EXPECT_EQ(s.related, relatedPtr);
    EXPECT_EQ(s.promoted.size(), 2u);
}

TEST(BodySelection, RelatedNotStartingWithHtmlIsNoBody) {
    auto root = Multipart("multipart/related", Parts(Leaf("image/png", "PNG"), Leaf("text/html")));
    BodySelection s = SelectBody(*root);
    EXPECT_EQ(s.html, nullptr);
    EXPECT_TRUE(s.promoted.empty());
}

TEST(BodySelection, MixedWithAttachmentFirst) {
    auto root = Multipart("multipart/mixed", Parts(Leaf("application/pdf", "%PDF", "attachment"), Leaf("text/plain")));
    BodySelection s = SelectBody(*root);
    EXPECT_EQ(s.plain, root->children[1].get());
    EXPECT_FALSE(s.promoted.contains(root->children[0].get()));
}

TEST(BodySelection, TextPartsMarkedAttachmentAreNeverTheBody) {
    auto root = Multipart("multipart/mixed", Parts(Leaf("text/plain", "notes", "attachment"),
                                                   Leaf("text/html", "<p>x</p>", "attachment")));
    BodySelection s = SelectBody(*root);
    EXPECT_EQ(s.plain, nullptr);
    EXPECT_EQ(s.html, nullptr);
    EXPECT_TRUE(s.promoted.empty());
    auto single = Leaf("text/plain", "x", "attachment");
    EXPECT_EQ(SelectBody(*single).plain, nullptr);
}

TEST(BodySelection, MixedInlineTextPartsAggregate) {
    auto root =
        Multipart("multipart/mixed", Parts(Leaf("text/plain", "one"), Leaf("image/png", "PNG"),
                                           Leaf("text/plain", "two"), Leaf("text/plain", "file", "attachment")));
    BodySelection s = SelectBody(*root);
    EXPECT_EQ(s.plain, root->children[0].get());
    ASSERT_EQ(s.appended.size(), 1u);
    EXPECT_EQ(s.appended[0].plain, root->children[2].get());
    EXPECT_FALSE(s.promoted.contains(root->children[3].get()));
}

TEST(BodySelection, AggregateReachesIntoLaterMultiparts) {
    auto root = Multipart(
        "multipart/mixed",
        Parts(Leaf("text/plain", "one"),
              Multipart("multipart/mixed", Parts(Leaf("text/plain", "two"), Leaf("application/zip", "PK"))),
              Multipart("multipart/alternative", Parts(Leaf("text/plain", "three"), Leaf("text/html", "3")))));
    BodySelection s = SelectBody(*root);
    ASSERT_EQ(s.appended.size(), 2u);
    EXPECT_EQ(s.appended[0].plain, root->children[1]->children[0].get());
    EXPECT_EQ(s.appended[0].html, nullptr);
    EXPECT_EQ(s.appended[1].plain, root->children[2]->children[0].get());
    EXPECT_EQ(s.appended[1].html, root->children[2]->children[1].get());
    EXPECT_FALSE(s.promoted.contains(root->children[1]->children[1].get()));
    EXPECT_EQ(s.promoted.size(), 4u);
}

TEST(BodySelection, SecondPlainAlternativeIsKept) {
    auto root = Multipart("multipart/alternative", Parts(Leaf("text/plain", "one"), Leaf("text/plain", "two")));
    BodySelection s = SelectBody(*root);
    EXPECT_EQ(s.plain, root->children[0].get());
    ASSERT_EQ(s.appended.size(), 1u);
    EXPECT_EQ(s.appended[0].plain, root->children[1].get());
}

// RFC 2046 orders alternatives from plainest to richest; a plain part
// after the HTML is no second text to append to it.
TEST(BodySelection, AlternativeChoosesTheRichestAndOnePlainText) {
    auto root = Multipart("multipart/alternative",
                          Parts(Leaf("text/plain", "one"), Leaf("text/html", "<p>one</p>"), Leaf("text/plain", "two")));
    BodySelection s = SelectBody(*root);
    EXPECT_EQ(s.html, root->children[1].get());
    EXPECT_EQ(s.plain, root->children[0].get());
    EXPECT_TRUE(s.appended.empty());
    EXPECT_FALSE(s.promoted.contains(root->children[2].get()));

    auto after = Multipart("multipart/alternative", Parts(Leaf("text/html", "<p>one</p>"), Leaf("text/plain", "one"),
                                                          Leaf("text/plain", "two")));
    BodySelection t = SelectBody(*after);
    EXPECT_EQ(t.html, after->children[0].get());
    EXPECT_EQ(t.plain, after->children[1].get());
    EXPECT_TRUE(t.appended.empty());
    EXPECT_EQ(t.promoted.size(), 2u);
}

TEST(BodySelection, RelatedWithAPlainTextRoot) {
    auto root = Multipart("multipart/related", Parts(Leaf("text/plain", "see the picture"), Leaf("image/png", "PNG")));
    BodySelection s = SelectBody(*root);
    EXPECT_EQ(s.plain, root->children[0].get());
    EXPECT_EQ(s.html, nullptr);
    EXPECT_EQ(s.related, nullptr);
    EXPECT_FALSE(s.promoted.contains(root->children[1].get()));
}

TEST(BodySelection, RelatedRootNamedByItsStartParameter) {
    auto root = Multipart("multipart/related", Parts(Leaf("image/png", "PNG"), Leaf("text/html", "<img>")));
    root->contentTypeParameters.push_back({"start", "<root@x>", {}});
    root->children[1]->headers = testing::Headers({{"Content-ID", "<root@x>"}});
    BodySelection s = SelectBody(*root);
    EXPECT_EQ(s.html, root->children[1].get());
    EXPECT_EQ(s.related, root.get());
    EXPECT_FALSE(s.promoted.contains(root->children[0].get()));
}

// A report's human-readable part is the body and its delivery status an
// attachment; a later text part adds to the body as in multipart/mixed.
TEST(BodySelection, ReportAggregatesLikeMixed) {
    auto root =
        Multipart("multipart/report",
                  Parts(Leaf("text/plain", "could not deliver"), Leaf("message/delivery-status", "Status: 5.0.0"),
                        Leaf("text/plain", "notes"), Leaf("text/rfc822-headers", "Subject: x")));
    BodySelection s = SelectBody(*root);
    EXPECT_EQ(s.plain, root->children[0].get());
    ASSERT_EQ(s.appended.size(), 1u);
    EXPECT_EQ(s.appended[0].plain, root->children[2].get());
    EXPECT_FALSE(s.promoted.contains(root->children[1].get()));
    EXPECT_FALSE(s.promoted.contains(root->children[3].get()));
}

TEST(BodySelection, CalendarAloneIsTheBody) {
    auto root = Multipart("multipart/mixed", Parts(Leaf("text/calendar", "BEGIN:VCALENDAR")));
    BodySelection s = SelectBody(*root);
    EXPECT_EQ(s.calendar, root->children[0].get());
}

TEST(BodySelection, SignedPromotesItsFirstPart) {
    auto root = Multipart("multipart/signed",
                          Parts(Multipart("multipart/alternative", Parts(Leaf("text/plain"), Leaf("text/html"))),
                                Leaf("application/pkcs7-signature", "SIG")));
    BodySelection s = SelectBody(*root);
    EXPECT_NE(s.plain, nullptr);
    EXPECT_NE(s.html, nullptr);
    EXPECT_FALSE(s.promoted.contains(root->children[1].get()));
}

TEST(BodySelection, NoTextAtAll) {
    auto root = Multipart("multipart/mixed", Parts(Leaf("image/jpeg", "JPG"), Leaf("application/zip", "PK")));
    BodySelection s = SelectBody(*root);
    EXPECT_TRUE(s.promoted.empty());
    auto empty = Multipart("multipart/mixed", {});
    EXPECT_TRUE(SelectBody(*empty).promoted.empty());
}

}  // namespace
}  // namespace mailvane::mapping
