// A body made while the file is written gives the file the body held whole
// gives, for every shape of body that can be made so; the shapes that
// cannot are held.
#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "conversion_support.h"

namespace mailvane {
namespace {

using mailvane::testing::WrittenConversion;

WrittenConversion Convert(const std::string& eml, std::size_t streamBodiesFrom) {
    return mailvane::testing::ConvertAndWrite(std::vector<std::uint8_t>(eml.begin(), eml.end()), streamBodiesFrom);
}

const char* const kHead = "From: a@example.test\r\nTo: b@example.test\r\nSubject: streamed\r\nMIME-Version: 1.0\r\n";

std::string Part(const std::string& type, const std::string& body, const std::string& encoding = "8bit") {
    return "Content-Type: " + type + "\r\nContent-Transfer-Encoding: " + encoding + "\r\n\r\n" + body;
}

std::string Multipart(const std::string& subtype, const std::vector<std::string>& parts) {
    std::string eml = "Content-Type: multipart/" + subtype + "; boundary=\"b\"\r\n\r\n";
    for (const auto& part : parts) eml += "--b\r\n" + part + "\r\n";
    return eml + "--b--\r\n";
}

const std::string kText = "Caf\xC3\xA9 au lait\nsecond line\r\r\nthird \xF0\x9F\x98\x80 {brace} \\ line\r\n";
const std::string kLatinText = "Caf\xE9 au lait\r\nsecond\rthird\n";
const std::string kHtml =
    "\xEF\xBB\xBF<html><head><style>p{}</style></head><body><p>Caf\xC3\xA9 &amp; <b>cr\xC3\xA8me</b></p>"
    "<img src=\"cid:pic\"><pre> kept  blanks\n</pre><br><br>\r\n</body></html>\r\n";

TEST(StreamedBodies, EveryShapeThatStreamsGivesTheFileHeldWholeGives) {
    const std::string image =
        "Content-Type: image/png\r\nContent-ID: <pic>\r\nContent-Transfer-Encoding: base64\r\n\r\n"
        "iVBORw0KGgo=";
    struct Shape {
        const char* name;
        std::string body;
        bool bodyStreams;
        bool htmlStreams;
    };
    const Shape shapes[] = {
        {"plain UTF-8", Part("text/plain; charset=utf-8", kText), true, false},
        {"plain Latin-1", Part("text/plain; charset=iso-8859-1", kLatinText), true, false},
        {"plain base64", Part("text/plain; charset=utf-8", "Q2Fmw6kgYXUgbGFpdA0K", "base64"), true, false},
        {"plain quoted-printable", Part("text/plain; charset=utf-8", "Caf=C3=A9=0D=0A=\r\nsoft", "quoted-printable"),
         true, false},
        {"HTML", Part("text/html; charset=utf-8", kHtml), true, true},
        {"HTML windows-1252", Part("text/html; charset=windows-1252", "<p>Caf\xE9 \x80 \x81</p>"), true, true},
        {"alternative",
         Multipart("alternative", {Part("text/plain; charset=utf-8", kText), Part("text/html; charset=utf-8", kHtml)}),
         true, true},
        {"related", Multipart("related", {Part("text/html; charset=utf-8", kHtml), image}), true, true},
        {"alternative with an attachment",
         Multipart("mixed", {Multipart("alternative", {Part("text/plain; charset=us-ascii", "plain\r\n"),
                                                       Part("text/html; charset=utf-8", kHtml)}),
                             image}),
         true, true},
        {"flowed", Part("text/plain; charset=utf-8; format=flowed", "one \r\n two\r\n> q \r\n> r\r\n-- \r\nsig\r\n"),
         true, false},
        {"flowed, delsp", Part("text/plain; charset=utf-8; format=flowed; delsp=yes", "one \r\ntwo \r\n"), true, false},
        // Without a charset label: text that reads as UTF-8 (ASCII too),
        // also without a Content-Type.
        {"plain unlabelled ASCII", Part("text/plain", "plain text\r\nsecond line\n"), true, false},
        {"plain unlabelled UTF-8", Part("text/plain", kText), true, false},
        {"plain unlabelled flowed", Part("text/plain; format=flowed", "one \r\n two\r\n"), true, false},
        {"no Content-Type", "Content-Transfer-Encoding: 8bit\r\n\r\n" + kText, true, false},
        {"unlabelled alternative",
         Multipart("alternative", {Part("text/plain", kText), Part("text/html; charset=utf-8", kHtml)}), true, true},
        // Held whole: a uuencoded file (in flowed text, "begin " anywhere),
        // text the charset cannot read in pieces or that does not decode
        // cleanly, an aggregate body.
        {"flowed begin", Part("text/plain; charset=utf-8; format=flowed", " begin 644 a\r\n"), false, false},
        {"uuencoded", Part("text/plain; charset=us-ascii", "see\r\nbegin 644 a.txt\r\n#86)C\r\n`\r\nend\r\n"), false,
         false},
        {"Shift_JIS", Part("text/plain; charset=shift_jis", "\x82\xA0\x82\xA2\r\n"), false, false},
        {"invalid UTF-8", Part("text/plain; charset=utf-8", "caf\xE9\r\n"), false, false},
        {"unlabelled Latin-1", Part("text/plain", kLatinText), false, false},
        {"unlabelled UTF-16", Part("text/plain", std::string("h\0i\0\r\0\n\0", 8)), false, false},
        {"unlabelled UTF-16 with its mark", Part("text/plain", std::string("\xFF\xFEh\0i\0", 6)), false, false},
        {"unlabelled HTML", Part("text/html", kHtml), false, false},
        {"aggregate",
         Multipart("mixed", {Part("text/plain; charset=utf-8", "one"),
                             "Content-Disposition: inline\r\n" + Part("text/plain; charset=utf-8", "two")}),
         false, false},
    };
    for (const Shape& shape : shapes) {
        const std::string eml = kHead + shape.body;
        const WrittenConversion held = Convert(eml, std::numeric_limits<std::size_t>::max());
        const WrittenConversion streamed = Convert(eml, 0);
        EXPECT_FALSE(held.bodyStreamed) << shape.name;
        EXPECT_EQ(streamed.bodyStreamed, shape.bodyStreams) << shape.name;
        EXPECT_EQ(streamed.htmlStreamed, shape.htmlStreams) << shape.name;
        EXPECT_TRUE(streamed.file == held.file) << shape.name;
    }
}

// A body below the size asked for is held: small mail, nearly all of it,
// goes the way that reads each body once.
TEST(StreamedBodies, OnlyBodiesOfTheSizeAskedForStream) {
    const std::string eml = kHead + Part("text/plain; charset=utf-8", kText);
    EXPECT_FALSE(Convert(eml, kText.size() + 1).bodyStreamed);
    EXPECT_TRUE(Convert(eml, kText.size()).bodyStreamed);
}

}  // namespace
}  // namespace mailvane
