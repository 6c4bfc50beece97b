#include "engine/convert/message_subject.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace mailvane {
namespace {

std::string SubjectOf(const std::string& message) {
    const std::vector<std::uint8_t> bytes(message.begin(), message.end());
    return SubjectOfMessage(bytes);
}

// The subject names a mailbox's message before it is converted, so it must
// read as the converted message's subject reads.
TEST(SubjectOfMessage, DecodedAsTheConverterDecodesIt) {
    struct Case {
        std::string message;
        std::string subject;
    };
    const Case cases[] = {
        {"Subject: Plain words\r\n\r\nbody", "Plain words"},
        {"From: a@example.org\nSubject: Bare line feeds\n\nbody", "Bare line feeds"},
        {"subject: any case of name\r\n\r\n", "any case of name"},
        {"Subject: =?UTF-8?B?w6l0w6k=?= report\r\n\r\n", "\xC3\xA9t\xC3\xA9 report"},
        {"Subject: =?ISO-8859-1?Q?caf=E9?=\r\n\r\n", "caf\xC3\xA9"},
        {"Subject: folded\r\n across lines\r\n\r\n", "folded across lines"},
        {"Subject: \xC3\xA9t\xC3\xA9 in raw UTF-8\r\n\r\n", "\xC3\xA9t\xC3\xA9 in raw UTF-8"},
        {"From: a@example.org\r\n\r\nno subject at all", ""},
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(SubjectOf(c.message), c.subject) << c.message;
}

TEST(SubjectOfMessage, ReadsTheHeaderBlockOnly) {
    EXPECT_EQ(SubjectOf("From: a@example.org\r\n\r\nSubject: in the body\r\n"), "");
    EXPECT_EQ(SubjectOf("Subject: first\r\n\r\nSubject: second\r\n"), "first");
}

}  // namespace
}  // namespace mailvane
