#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string_view>
#include <vector>

#include "engine/mime/mime_entity.h"
#include "test_support.h"

namespace mailvane::mime {
namespace {

using test::AsString;
using test::HasIssue;
using test::Parse;
using test::Utf8;

TEST(ParseMessage, SimpleTextMessage) {
    const auto message = Parse(
        "From: A <a@x.test>\r\nSubject: Hello\r\n  world\r\nDate: Fri, 21 Nov 1997 09:55:06 -0600\r\n\r\nBody\r\n");
    const auto& root = message.root;
    EXPECT_EQ(root.mediaType, "text/plain");
    ASSERT_NE(root.headers.Find("subject"), nullptr);
    EXPECT_EQ(root.headers.Find("SUBJECT")->value, "Hello  world");
    EXPECT_EQ(root.headers.Find("Subject")->offset, 20u);
    EXPECT_EQ(AsString(root.body), "Body\r\n");
    EXPECT_EQ(root.begin, 0u);
    EXPECT_EQ(message.Raw(root.bodyBegin, root.end), "Body\r\n");
    EXPECT_EQ(root.end, message.source.size());
    EXPECT_TRUE(message.issues.empty());
}

// The header alone, read before a conversion, must be the header the whole
// parse reads: the same fields at the same offsets, whatever the line ends.
TEST(ParseMessageHeader, TheFieldsAndOffsetsOfTheWholeParse) {
    for (std::string_view text : {
             std::string_view("From: a@x.test\r\nSubject: one\r\n two\r\n\r\nStatus: O\r\n"),
             std::string_view("From a@x Sat Jan  3 01:05:34 1996\nStatus: RO\nX-Status: A\n\nbody\n"),
             std::string_view("Status: RO\rX-Status:\r A\r\rFrom: body@x.test\r"),
             std::string_view("Subject: no body, no blank line"),
             std::string_view("From no line end"),
             std::string_view(""),
         }) {
        const std::vector<std::uint8_t> bytes(text.begin(), text.end());
        const auto whole = ParseMessage(bytes);
        std::vector<ParseIssue> issues;
        const HeaderList header = ParseMessageHeader(bytes, issues);
        ASSERT_EQ(header.Fields().size(), whole.root.headers.Fields().size()) << text;
        for (std::size_t i = 0; i < header.Fields().size(); ++i) {
            EXPECT_EQ(header.Fields()[i].name, whole.root.headers.Fields()[i].name) << text;
            EXPECT_EQ(header.Fields()[i].value, whole.root.headers.Fields()[i].value) << text;
            EXPECT_EQ(header.Fields()[i].offset, whole.root.headers.Fields()[i].offset) << text;
        }
    }
}

TEST(ParseMessage, MultipartWithOffsetsForSignedContent) {
    const std::string text =
        "Content-Type: multipart/signed; boundary=\"sig\"; protocol=\"application/pkcs7-signature\"\r\n"
        "\r\n"
        "preamble\r\n"
        "--sig\r\n"
        "Content-Type: text/plain\r\n"
        "\r\n"
        "signed text\r\n"
        "--sig  \r\n"
        "Content-Type: application/pkcs7-signature\r\n"
        "Content-Transfer-Encoding: base64\r\n"
        "\r\n"
        "AQID\r\n"
        "--sig--\r\n"
        "epilogue\r\n";
    const auto message = Parse(text);
    const auto& root = message.root;
    ASSERT_TRUE(root.IsMultipart());
    ASSERT_EQ(root.children.size(), 2u);
    const auto& first = *root.children[0];
    EXPECT_EQ(message.Raw(first.begin, first.end), "Content-Type: text/plain\r\n\r\nsigned text");
    EXPECT_EQ(message.Raw(first.bodyBegin, first.end), "signed text");
    EXPECT_EQ(AsString(first.body), "signed text");
    const auto& second = *root.children[1];
    EXPECT_EQ(second.mediaType, "application/pkcs7-signature");
    EXPECT_EQ(second.transferEncoding, "base64");
    EXPECT_EQ(AsString(second.body), "\x01\x02\x03");
    EXPECT_EQ(message.Raw(second.bodyBegin, second.end), "AQID");
    EXPECT_TRUE(root.body.empty());
    EXPECT_TRUE(message.issues.empty());
}

TEST(ParseMessage, NestedMultipartsWithPrefixBoundariesAndBareLineFeeds) {
    const auto message = Parse(
        "Content-Type: multipart/mixed; boundary=b\n\n"
        "--b\n"
        "Content-Type: multipart/alternative; boundary=b2\n\n"
        "--b2\nContent-Type: text/plain\n\nplain\n"
        "--b2\nContent-Type: text/html\n\n<p>html</p>\n"
        "--b2--\n"
        "--b\n"
        "Content-Type: image/png; name=a.png\nContent-Disposition: attachment; filename=\"b.png\"\n"
        "Content-ID: < img1@x.test >\nContent-Transfer-Encoding: base64\n\niVBO\n"
        "--b--\n");
    const auto& root = message.root;
    ASSERT_EQ(root.children.size(), 2u);
    const auto& alternative = *root.children[0];
    EXPECT_EQ(alternative.mediaType, "multipart/alternative");
    ASSERT_EQ(alternative.children.size(), 2u);
    EXPECT_EQ(AsString(alternative.children[0]->body), "plain");
    EXPECT_EQ(alternative.children[1]->mediaType, "text/html");
    EXPECT_EQ(AsString(alternative.children[1]->body), "<p>html</p>");
    const auto& image = *root.children[1];
    EXPECT_EQ(image.disposition, "attachment");
    EXPECT_EQ(Utf8(image.FileName()), "b.png");
    EXPECT_EQ(image.ContentId(), "img1@x.test");
    EXPECT_EQ(image.body, (std::vector<std::uint8_t>{0x89, 0x50, 0x4E}));
    EXPECT_TRUE(HasIssue(message, IssueKind::BareLineFeeds));
}

TEST(ParseMessage, EmbeddedMessage) {
    const auto message = Parse(
        "Content-Type: multipart/mixed; boundary=b\r\n\r\n"
        "--b\r\nContent-Type: text/plain\r\n\r\nsee attached\r\n"
        "--b\r\nContent-Type: message/rfc822\r\n\r\n"
        "Subject: inner\r\nContent-Type: multipart/mixed; boundary=inner\r\n\r\n"
        "--inner\r\n\r\ninner text\r\n--inner--\r\n"
        "--b--\r\n");
    ASSERT_EQ(message.root.children.size(), 2u);
    const auto& rfc822 = *message.root.children[1];
    ASSERT_NE(rfc822.embedded, nullptr);
    EXPECT_TRUE(rfc822.body.empty());
    const auto& inner = *rfc822.embedded;
    EXPECT_EQ(inner.headers.Find("Subject")->value, "inner");
    EXPECT_EQ(inner.begin, rfc822.bodyBegin);
    EXPECT_EQ(inner.end, rfc822.end);
    ASSERT_EQ(inner.children.size(), 1u);
    EXPECT_EQ(AsString(inner.children[0]->body), "inner text");
}

TEST(ParseMessage, DigestChildrenDefaultToMessages) {
    const auto message = Parse(
        "Content-Type: multipart/digest; boundary=d\r\n\r\n"
        "--d\r\n\r\nSubject: one\r\n\r\nfirst\r\n"
        "--d\r\n\r\nSubject: two\r\n\r\nsecond\r\n"
        "--d--\r\n");
    ASSERT_EQ(message.root.children.size(), 2u);
    for (const auto& child : message.root.children) {
        EXPECT_EQ(child->mediaType, "message/rfc822");
        ASSERT_NE(child->embedded, nullptr);
    }
    EXPECT_EQ(AsString(message.root.children[1]->embedded->body), "second");
}

TEST(ParseMessage, MboxFromLineAndMissingMimeVersion) {
    const auto message = Parse(
        "From someone@x.test Mon Jan 12 10:00:00 2004\n"
        "Content-Type: text/html; charset=ISO-8859-1\nContent-Transfer-Encoding: quoted-printable\n\n"
        "caf=E9\n");
    EXPECT_TRUE(HasIssue(message, IssueKind::MboxFromLineSkipped));
    EXPECT_EQ(message.root.begin, 45u);
    EXPECT_EQ(message.root.mediaType, "text/html");
    EXPECT_EQ(message.root.Charset(), "iso-8859-1");
    EXPECT_EQ(AsString(message.root.body), "caf\xE9\n");
}

TEST(ParseMessage, HeaderAnomaliesAreRecorded) {
    const auto message = Parse(
        " leading continuation\r\n"
        "Subject: one\r\n"
        "Subject: two\r\n"
        "X-Raw: caf\xC3\xA9\r\n"
        "Subject : obsolete blank before colon\r\n"
        "From nobody Mon Jan 12 10:00:00 2004\r\n"
        "X-After: kept\r\n"
        "this line is body\r\n"
        "more body\r\n");
    EXPECT_TRUE(HasIssue(message, IssueKind::MalformedHeaderLine));
    EXPECT_TRUE(HasIssue(message, IssueKind::DuplicatedHeader));
    EXPECT_TRUE(HasIssue(message, IssueKind::UnencodedEightBitHeader));
    EXPECT_TRUE(HasIssue(message, IssueKind::MissingHeaderBodySeparator));
    EXPECT_EQ(message.root.headers.Find("Subject")->value, "one");
    EXPECT_EQ(message.root.headers.FindAll("subject").size(), 3u);
    EXPECT_EQ(message.root.headers.FindAll("subject")[2]->value, "obsolete blank before colon");
    EXPECT_EQ(message.root.headers.Find("X-After")->value, "kept");
    EXPECT_EQ(AsString(message.root.body), "this line is body\r\nmore body\r\n");
}

TEST(ParseMessage, TransferEncodings) {
    struct Row {
        const char* encoding;
        const char* content;
        const char* body;
        IssueKind issue;
        bool expectIssue;
    };
    const Row rows[] = {
        {"base64", "SGk=\r\n", "Hi", IssueKind::InvalidBase64, false},
        {"BASE64", "S*Gk=\r\n", "Hi", IssueKind::InvalidBase64, true},
        {"quoted-printable", "a=3Db=\r\nc", "a=bc", IssueKind::InvalidQuotedPrintable, false},
        {"Quoted-Printable", "a=zz", "a=zz", IssueKind::InvalidQuotedPrintable, true},
        {"7bit", "as is", "as is", IssueKind::InvalidTransferEncoding, false},
        {"8bit", "caf\xE9", "caf\xE9", IssueKind::InvalidTransferEncoding, false},
        {"binary", "\x01\x02", "\x01\x02", IssueKind::InvalidTransferEncoding, false},
        {"x-uuencode", "begin 644 f\r\n#86)C\r\n`\r\nend\r\n", "abc", IssueKind::InvalidUuencode, false},
        {"x-uuencode", "begin 644 f\r\n#86)C\r\n", "abc", IssueKind::InvalidUuencode, true},
        {"x-unknown", "as is", "as is", IssueKind::InvalidTransferEncoding, true},
    };
    for (const auto& row : rows) {
        const auto message =
            Parse(std::string("Content-Transfer-Encoding: ") + row.encoding + "\r\n\r\n" + row.content);
        EXPECT_EQ(AsString(message.root.body), row.body) << row.encoding;
        EXPECT_EQ(HasIssue(message, row.issue), row.expectIssue) << row.encoding;
    }
}

TEST(ParseMessage, ContentFields) {
    const auto message = Parse(
        "Content-Type: Application/PDF; name=\"=?utf-8?Q?r=C3=A9sum=C3=A9.pdf?=\"\r\n"
        "Content-Disposition: weird-value\r\n"
        "Content-Location:  http://x.test/a  \r\n"
        "\r\n%PDF");
    EXPECT_EQ(message.root.mediaType, "application/pdf");
    EXPECT_EQ(message.root.disposition, "attachment");
    EXPECT_EQ(Utf8(message.root.FileName()), "résumé.pdf");
    EXPECT_EQ(message.root.ContentLocation(), "http://x.test/a");
    EXPECT_EQ(message.root.ContentId(), "");
    EXPECT_EQ(message.root.Charset(), "");
}

TEST(ParseMessage, InvalidContentTypeFallsBackToText) {
    for (const char* type : {"text", "garbage here", "/plain", "text/", "text/plain/extra", "text/pl@in"}) {
        const auto message = Parse(std::string("Content-Type: ") + type + "; charset=utf-8\r\n\r\nx");
        EXPECT_EQ(message.root.mediaType, "text/plain") << type;
        EXPECT_EQ(message.root.Charset(), "utf-8") << type;
        EXPECT_TRUE(HasIssue(message, IssueKind::InvalidContentType)) << type;
    }
}

TEST(ParseMessage, BrokenBoundariesAreRecovered) {
    // No boundary parameter: the delimiter lines say what it is.
    const auto guessed = Parse(
        "Content-Type: multipart/mixed\r\n\r\n"
        "--found\r\nContent-Type: text/plain\r\n\r\none\r\n--found\r\n\r\ntwo\r\n--found--\r\n");
    EXPECT_TRUE(HasIssue(guessed, IssueKind::MultipartWithoutBoundary));
    ASSERT_EQ(guessed.root.children.size(), 2u);
    EXPECT_EQ(AsString(guessed.root.children[1]->body), "two");

    // A boundary that never appears and nothing to guess from: the text stays.
    const auto missing = Parse("Content-Type: multipart/mixed; boundary=nowhere\r\n\r\njust text\r\n");
    EXPECT_TRUE(HasIssue(missing, IssueKind::MissingBoundary));
    EXPECT_EQ(missing.root.mediaType, "text/plain");
    EXPECT_EQ(AsString(missing.root.body), "just text\r\n");

    // Truncated: no close delimiter, the parts read so far are kept.
    const auto truncated =
        Parse("Content-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\n\r\none\r\n--b\r\n\r\ntwo, cut sh");
    EXPECT_TRUE(HasIssue(truncated, IssueKind::MissingCloseDelimiter));
    ASSERT_EQ(truncated.root.children.size(), 2u);
    EXPECT_EQ(AsString(truncated.root.children[1]->body), "two, cut sh");
}

// A boundary's text counts only as a whole delimiter line: inside a line,
// after one dash, or as the start of a longer boundary, it is body text.
TEST(ParseMessage, BoundaryTextInsideLinesIsBody) {
    const auto message = Parse(
        "Content-Type: multipart/mixed; boundary=zz\r\n\r\n"
        "--zz\r\n\r\n"
        "a --zz in a line\r\n-zz one dash\r\n--zzz longer\r\nzz--zz\r\n--zz--\r\n");
    ASSERT_EQ(message.root.children.size(), 1u);
    EXPECT_EQ(AsString(message.root.children[0]->body), "a --zz in a line\r\n-zz one dash\r\n--zzz longer\r\nzz--zz");
}

TEST(ParseMessage, EmptyPartsAreSkippedAndPaddedDelimitersMatch) {
    const auto message = Parse(
        "Content-Type: multipart/mixed; boundary=\"with space\"\r\n\r\n"
        "--with space\r\n--with space \t\r\n\r\nsecond\r\n--with space\r\n\r\n\r\n--with space--");
    ASSERT_EQ(message.root.children.size(), 2u);
    EXPECT_EQ(AsString(message.root.children[0]->body), "second");
    // A part of one blank line is an entity without header and body.
    EXPECT_TRUE(message.root.children[1]->headers.Fields().empty());
    EXPECT_TRUE(message.root.children[1]->body.empty());
}

// ": Crash" once ended the header, so that the blank line and what came
// after became the body.
TEST(ParseMessage, HeaderLineWithoutFieldNameIsSkipped) {
    const auto crash = Parse("To: a@b\r\nFrom: c@d\r\n: Crash\r\n\r\nasdf");
    EXPECT_EQ(AsString(crash.root.body), "asdf");
    EXPECT_EQ(crash.root.headers.Fields().size(), 2u);
    EXPECT_TRUE(HasIssue(crash, IssueKind::MalformedHeaderLine));
    EXPECT_FALSE(HasIssue(crash, IssueKind::MissingHeaderBodySeparator));

    const auto between = Parse("From: c@d\r\n:Leading colon\r\n  and its continuation\r\nSubject: after\r\n\r\nbody");
    EXPECT_EQ(between.root.headers.Find("From")->value, "c@d");
    ASSERT_NE(between.root.headers.Find("Subject"), nullptr);
    EXPECT_EQ(between.root.headers.Find("Subject")->value, "after");
    EXPECT_EQ(between.root.headers.Fields().size(), 2u);
    EXPECT_EQ(AsString(between.root.body), "body");

    // Text without a colon still starts the body: nothing there is a field.
    const auto text = Parse("From: c@d\r\nno colon here\r\n: not a field either\r\n");
    EXPECT_TRUE(HasIssue(text, IssueKind::MissingHeaderBodySeparator));
    EXPECT_EQ(AsString(text.root.body), "no colon here\r\n: not a field either\r\n");
}

// A line without a colon once ended the header at once. The line after it
// now decides: the header going on there keeps this line in it.
TEST(ParseMessage, HeaderGoesOnPastALineWithoutColon) {
    const std::string folded =
        "From\r\n"
        " : Alice <a@example.com>\r\n"
        "Subject: folded field name\r\n"
        "Message-ID: <m1@example.com>\r\n"
        "\r\n"
        "body\r\n";
    const auto message = Parse(folded);
    ASSERT_NE(message.root.headers.Find("From"), nullptr);
    EXPECT_EQ(message.root.headers.Find("From")->value, "Alice <a@example.com>");
    EXPECT_EQ(message.root.headers.Find("From")->offset, 0u);
    EXPECT_EQ(message.root.headers.Find("Subject")->value, "folded field name");
    EXPECT_EQ(message.root.headers.Find("Message-ID")->value, "<m1@example.com>");
    EXPECT_EQ(AsString(message.root.body), "body\r\n");
    EXPECT_FALSE(HasIssue(message, IssueKind::MissingHeaderBodySeparator));
    ASSERT_TRUE(HasIssue(message, IssueKind::MalformedHeaderLine));
    EXPECT_EQ(message.issues.front().offset, 0u);

    // A parameter on a line of its own at column 0, followed by another
    // field, or by the blank line after a value that ends in ';'.
    for (std::string_view after : {"Content-Transfer-Encoding: base64\r\n", ""}) {
        const std::string part =
            "Content-Type: application/zip;\r\n"
            "name=\"x.zip\"\r\n" +
            std::string(after) + "\r\nUEsDBA==\r\n";
        const std::string text = "Content-Type: multipart/mixed; boundary=\"b\"\r\n\r\n--b\r\n" + part + "--b--\r\n";
        const auto zipped = Parse(text);
        ASSERT_EQ(zipped.root.children.size(), 1u) << after;
        const auto& zip = *zipped.root.children[0];
        EXPECT_EQ(zip.mediaType, "application/zip") << after;
        ASSERT_NE(zip.ContentTypeParameter("name"), nullptr) << after;
        EXPECT_EQ(zip.ContentTypeParameter("name")->value, "x.zip") << after;
        EXPECT_FALSE(HasIssue(zipped, IssueKind::MissingHeaderBodySeparator)) << after;
        const auto unindented = std::find_if(zipped.issues.begin(), zipped.issues.end(), [](const ParseIssue& issue) {
            return issue.kind == IssueKind::MalformedHeaderLine;
        });
        ASSERT_NE(unindented, zipped.issues.end()) << after;
        EXPECT_EQ(unindented->offset, text.find("name=")) << after;
        if (!after.empty()) {
            EXPECT_EQ(AsString(zip.body), "PK\x03\x04");
        }
    }

    // A delimiter line right after the header starts the body, although
    // the part's own fields follow it.
    const auto delimited = Parse(
        "Content-Type: multipart/mixed; boundary=\"d\"\r\n"
        "--d\r\n"
        "Content-Type: text/html\r\n"
        "\r\n"
        "<p>hi</p>\r\n"
        "--d--\r\n");
    EXPECT_EQ(delimited.root.mediaType, "multipart/mixed");
    ASSERT_EQ(delimited.root.children.size(), 1u);
    EXPECT_EQ(delimited.root.children[0]->mediaType, "text/html");

    // Without a field or folded line after it, such a line is body text,
    // and the issue says so where it stands.
    const std::string plain = "Subject: x\r\nDear Bob,\r\nsee you\r\n";
    const auto body = Parse(plain);
    EXPECT_EQ(AsString(body.root.body), "Dear Bob,\r\nsee you\r\n");
    ASSERT_TRUE(HasIssue(body, IssueKind::MissingHeaderBodySeparator));
    EXPECT_EQ(body.issues.back().offset, plain.find("Dear"));
}

// A part's header block is read once whether or not it shares its parent's
// boundary: what is wrong in it is recorded once, where it is, in the order
// of the message.
TEST(ParseMessage, EachPartsHeaderProblemsAreRecordedOnceInOrder) {
    const std::string text =
        "Content-Type: multipart/mixed; boundary=B\r\n\r\n"
        "--B\r\nContent-Type: text/plain\r\n: first\r\n\r\none\r\n"
        "--B\r\nContent-Type: multipart/alternative; boundary=B\r\n: second\r\n\r\n"
        "--B\r\n: third\r\n\r\ntwo\r\n--B--\r\n"
        "--B\r\n: fourth\r\n\r\nthree\r\n--B--\r\n";
    const auto message = Parse(text);
    ASSERT_EQ(message.root.children.size(), 3u);
    EXPECT_EQ(AsString(message.root.children[0]->body), "one");
    ASSERT_EQ(message.root.children[1]->children.size(), 1u);
    EXPECT_EQ(AsString(message.root.children[1]->children[0]->body), "two");
    EXPECT_EQ(AsString(message.root.children[2]->body), "three");
    std::vector<std::size_t> offsets;
    for (const auto& issue : message.issues) {
        if (issue.kind == IssueKind::MalformedHeaderLine) offsets.push_back(issue.offset);
    }
    EXPECT_EQ(offsets, (std::vector<std::size_t>{text.find(": first"), text.find(": second"), text.find(": third"),
                                                 text.find(": fourth")}));
}

// A nested multipart that uses its parent's boundary again (Outlook Express
// for Macintosh wrote these): its close delimiter ends it, not the parent.
TEST(ParseMessage, MultipartReusingItsParentsBoundary) {
    const std::string text =
        "Content-Type: multipart/mixed; boundary=\"B\"\r\n\r\n"
        "preamble\r\n"
        "--B\r\n"
        "Content-Type: multipart/alternative; boundary=\"B\"\r\n\r\n"
        "--B\r\nContent-Type: text/plain\r\n\r\nplain\r\n"
        "--B\r\nContent-Type: text/html\r\n\r\n<p>html</p>\r\n"
        "--B--\r\n\r\n"
        "--B\r\nContent-Type: image/gif\r\nContent-Transfer-Encoding: base64\r\n\r\nR0lG\r\n"
        "--B--\r\n";
    const auto message = Parse(text);
    const auto& root = message.root;
    ASSERT_EQ(root.children.size(), 2u);
    const auto& alternative = *root.children[0];
    EXPECT_EQ(alternative.mediaType, "multipart/alternative");
    ASSERT_EQ(alternative.children.size(), 2u);
    EXPECT_EQ(AsString(alternative.children[0]->body), "plain");
    EXPECT_EQ(AsString(alternative.children[1]->body), "<p>html</p>");
    EXPECT_TRUE(message.Raw(alternative.begin, alternative.end).ends_with("<p>html</p>\r\n--B--\r\n"));
    EXPECT_EQ(root.children[1]->mediaType, "image/gif");
    EXPECT_EQ(AsString(root.children[1]->body), "GIF");
    EXPECT_FALSE(HasIssue(message, IssueKind::MissingCloseDelimiter));

    // Three levels on one boundary, each closed in turn.
    const auto deep = Parse(
        "Content-Type: multipart/mixed; boundary=B\r\n\r\n"
        "--B\r\nContent-Type: multipart/related; boundary=B\r\n\r\n"
        "--B\r\nContent-Type: multipart/alternative; boundary=B\r\n\r\n"
        "--B\r\n\r\none\r\n--B\r\n\r\ntwo\r\n--B--\r\n"
        "--B\r\n\r\nthree\r\n--B--\r\n"
        "--B\r\n\r\nfour\r\n--B--\r\n");
    ASSERT_EQ(deep.root.children.size(), 2u);
    const auto& related = *deep.root.children[0];
    ASSERT_EQ(related.children.size(), 2u);
    ASSERT_EQ(related.children[0]->children.size(), 2u);
    EXPECT_EQ(AsString(related.children[0]->children[1]->body), "two");
    EXPECT_EQ(AsString(related.children[1]->body), "three");
    EXPECT_EQ(AsString(deep.root.children[1]->body), "four");

    // The nested one never closes: it keeps the rest, and that is said.
    const auto open = Parse(
        "Content-Type: multipart/mixed; boundary=B\r\n\r\n"
        "--B\r\nContent-Type: multipart/alternative; boundary=B\r\n\r\n"
        "--B\r\n\r\none\r\n--B\r\n\r\ntwo");
    ASSERT_EQ(open.root.children.size(), 1u);
    ASSERT_EQ(open.root.children[0]->children.size(), 2u);
    EXPECT_EQ(AsString(open.root.children[0]->children[1]->body), "two");
    EXPECT_TRUE(HasIssue(open, IssueKind::MissingCloseDelimiter));
}

// Classic Mac OS mail ends lines with CR alone; without LF anywhere it was
// one long header line and its body was lost.
TEST(ParseMessage, CarriageReturnLineEnds) {
    const auto mac = Parse(
        "From: a@b.test\rSubject: mac\rContent-Type: multipart/mixed; boundary=m\r\r"
        "--m\r\rline one\rline two\r--m\rContent-Type: text/html\r\r<p>x</p>\r--m--\r");
    EXPECT_TRUE(HasIssue(mac, IssueKind::CarriageReturnLineEnds));
    ASSERT_NE(mac.root.headers.Find("Subject"), nullptr);
    EXPECT_EQ(mac.root.headers.Find("Subject")->value, "mac");
    ASSERT_EQ(mac.root.children.size(), 2u);
    EXPECT_EQ(AsString(mac.root.children[0]->body), "line one\r\nline two");
    EXPECT_EQ(AsString(mac.root.children[1]->body), "<p>x</p>");
    EXPECT_EQ(mac.source.size(), mac.root.end);

    // A lone CR among LF line ends is content, kept as it is.
    const auto mixed = Parse("Subject: x\n\na\rb\n");
    EXPECT_FALSE(HasIssue(mixed, IssueKind::CarriageReturnLineEnds));
    EXPECT_EQ(AsString(mixed.root.body), "a\rb\n");
    EXPECT_EQ(mixed.root.headers.Find("Subject")->value, "x");

    // Nothing but CRs: an empty header and an empty body, without a hang.
    const auto bare = Parse("\r\r\r");
    EXPECT_EQ(AsString(bare.root.body), "\r\n\r\n");
}

// A message the caller keeps is read where it lies, unless its line ends
// must be made CRLF first; either way it parses as one handed over does,
// and a parse moved elsewhere still shows the bytes it holds.
TEST(ParseMessage, BorrowedMessagesParseAsOnesHandedOver) {
    const auto bytes = [](std::string_view text) { return std::vector<std::uint8_t>(text.begin(), text.end()); };
    for (const std::string_view text :
         {"Subject: kept\r\n\r\nbody\r\n", "Subject: mac\rContent-Type: text/plain\r\rline one\rline two\r"}) {
        const std::vector<std::uint8_t> kept = bytes(text);
        const ParsedMessage borrowed = ParseBorrowedMessage(kept);
        const ParsedMessage handedOver = ParseMessage(bytes(text));
        EXPECT_EQ(borrowed.root.headers.Find("Subject")->value, handedOver.root.headers.Find("Subject")->value);
        EXPECT_EQ(AsString(borrowed.root.body), AsString(handedOver.root.body));
        EXPECT_EQ(borrowed.Raw(0, borrowed.source.size()), handedOver.Raw(0, handedOver.source.size()));
        const bool converted = HasIssue(borrowed, IssueKind::CarriageReturnLineEnds);
        EXPECT_EQ(borrowed.source.data() == kept.data(), !converted) << text;
        EXPECT_EQ(borrowed.held.empty(), !converted) << text;
    }

    ParsedMessage moved = ParseMessage(bytes("Subject: moved\r\n\r\nbody\r\n"));
    const std::uint8_t* before = moved.source.data();
    const ParsedMessage after = std::move(moved);
    EXPECT_EQ(after.source.data(), before);
    EXPECT_EQ(after.Raw(0, 15), "Subject: moved\r");
}

}  // namespace
}  // namespace mailvane::mime
