#include <gtest/gtest.h>

#include <string>

#include "engine/mime/mime_entity.h"
#include "test_support.h"

namespace mailvane::mime {
namespace {

using test::HasIssue;
using test::Parse;

// The parser says which texts will not read as what they claim to be.
TEST(TextIssues, RecordedForTextPartsEncodedWordsAndDates) {
    struct Row {
        const char* name;
        std::string message;
        bool unknownCharset;
        bool undecodable;
        bool invalidDate;
    };
    const Row rows[] = {
        {"clean", "Date: Tue, 1 Jul 2003 10:52:37 +0200\r\nContent-Type: text/plain; charset=utf-8\r\n\r\ncaf\xC3\xA9",
         false, false, false},
        {"unlabelled 8-bit", "Content-Type: text/plain\r\n\r\ncaf\xE9", false, false, false},
        {"unknown body charset", "Content-Type: text/plain; charset=x-martian\r\n\r\nhello", true, false, false},
        {"invalid UTF-8", "Content-Type: text/html; charset=utf-8\r\n\r\ncaf\xE9", false, true, false},
        {"8-bit under us-ascii", "Content-Type: text/plain; charset=us-ascii\r\n\r\ncaf\xE9", false, true, false},
        {"cut UTF-16", "Content-Type: text/plain; charset=utf-16le\r\n\r\nabc", false, true, false},
        {"binary attachment", "Content-Type: application/octet-stream; charset=utf-8\r\n\r\n\xFF", false, false, false},
        {"unknown word charset", "Subject: =?x-martian?Q?hi?=\r\n\r\nbody", true, false, false},
        {"known word charset", "Subject: =?iso-8859-1?Q?caf=E9?=\r\n\r\nbody", false, false, false},
        {"no date", "Date: sometime soon\r\n\r\nbody", false, false, true},
        {"inner part",
         "Content-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\nContent-Type: text/plain; charset=utf-8\r\n\r\n"
         "\xC3\r\n--b--\r\n",
         false, true, false},
        {"embedded message",
         "Content-Type: message/rfc822\r\n\r\nDate: never\r\nSubject: =?x-martian?B?aGk=?=\r\n\r\nbody", true, false,
         true},
    };
    for (const auto& row : rows) {
        const auto message = Parse(row.message);
        EXPECT_EQ(HasIssue(message, IssueKind::UnknownCharset), row.unknownCharset) << row.name;
        EXPECT_EQ(HasIssue(message, IssueKind::UndecodableText), row.undecodable) << row.name;
        EXPECT_EQ(HasIssue(message, IssueKind::InvalidDate), row.invalidDate) << row.name;
    }
}

TEST(TextIssues, PointAtTheFieldOrTextConcerned) {
    const std::string text =
        "Subject: =?x-martian?Q?hi?=\r\nDate: someday\r\nContent-Type: text/plain; charset=utf-8\r\n\r\n\xFF";
    const auto message = Parse(text);
    for (const auto& issue : message.issues) {
        switch (issue.kind) {
            case IssueKind::UnknownCharset:
                EXPECT_EQ(issue.offset, 0u);
                EXPECT_EQ(issue.detail, "x-martian");
                break;
            case IssueKind::InvalidDate:
                EXPECT_EQ(issue.offset, text.find("Date:"));
                break;
            case IssueKind::UndecodableText:
                EXPECT_EQ(issue.offset, text.size() - 1);
                break;
            default:
                ADD_FAILURE() << IssueKindName(issue.kind);
        }
    }
    EXPECT_EQ(message.issues.size(), 3u);
}

}  // namespace
}  // namespace mailvane::mime
