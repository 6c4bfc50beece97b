#include <gtest/gtest.h>

#include "engine/mime/address_list.h"
#include "engine/mime/message_ids.h"
#include "test_support.h"

namespace mailvane::mime {
namespace {

using test::Utf8;

struct Expected {
    const char* name;
    const char* address;
};

struct Row {
    const char* raw;
    std::vector<Expected> mailboxes;
    bool issue;
};

TEST(ParseAddressList, Table) {
    const Row rows[] = {
        {"", {}, false},
        {"john@example.com", {{"", "john@example.com"}}, false},
        {"John Doe <john@example.com>", {{"John Doe", "john@example.com"}}, false},
        {"<john@example.com>", {{"", "john@example.com"}}, false},
        {"\"Doe, John\" <john@example.com>, jane@example.com",
         {{"Doe, John", "john@example.com"}, {"", "jane@example.com"}},
         false},
        {"\"John \\\"JJ\\\" Doe\" <j@x.test>", {{"John \"JJ\" Doe", "j@x.test"}}, false},
        {"John Q. Public <jqp@x.test>", {{"John Q. Public", "jqp@x.test"}}, false},
        // Comments: ignored in addresses, a name when nothing else is.
        {"jane@example.com (Jane Roe)", {{"Jane Roe", "jane@example.com"}}, false},
        {"Pete(A nice \\) chap) <pete(his account)@silly.test(his host)>", {{"Pete", "pete@silly.test"}}, false},
        {"john(comment)@example.com", {{"comment", "john@example.com"}}, false},
        // Groups are expanded to their members.
        {"A Group:Ed Jones <c@a.test>,joe@where.test,John <jdoe@one.test>;",
         {{"Ed Jones", "c@a.test"}, {"", "joe@where.test"}, {"John", "jdoe@one.test"}},
         false},
        {"undisclosed-recipients:;", {}, false},
        {"Team: a@x.test;, b@x.test", {{"", "a@x.test"}, {"", "b@x.test"}}, false},
        {",,a@b.test,,", {{"", "a@b.test"}}, false},
        // Obsolete syntax.
        {"<@relay1.test,@relay2.test:user@example.com>", {{"", "user@example.com"}}, false},
        {"Joe <joe @ example . com>", {{"Joe", "joe@example.com"}}, false},
        {"\"john doe\"@example.com", {{"", "\"john doe\"@example.com"}}, false},
        // Encoded and 8-bit display names.
        {"=?utf-8?Q?Andr=C3=A9?= <andre@x.test>", {{"André", "andre@x.test"}}, false},
        {"\"=?utf-8?Q?Andr=C3=A9?=\" <andre@x.test>", {{"André", "andre@x.test"}}, false},
        {"=?utf-8?Q?Jos=C3?= =?utf-8?Q?=A9?= Smith <j@x.test>", {{"José Smith", "j@x.test"}}, false},
        {"Jos\xC3\xA9 <j@x.test>", {{"José", "j@x.test"}}, false},
        {"Jos\xE9 <j@x.test>", {{"José", "j@x.test"}}, false},
        // Broken input: still the most useful reading, and an issue.
        {"user", {{"", "user"}}, true},
        {"John <john@example.com", {{"John", "john@example.com"}}, true},
        {"John Smith", {{"John Smith", ""}}, true},
        {"\"Unterminated <u@x.test>", {{"Unterminated <u@x.test>", ""}}, true},
        {"John <j@x.test> trailing", {{"John", "j@x.test"}}, true},
    };
    for (const auto& row : rows) {
        std::vector<ParseIssue> issues;
        const auto mailboxes = ParseAddressList(row.raw, &issues, 100);
        ASSERT_EQ(mailboxes.size(), row.mailboxes.size()) << row.raw;
        for (std::size_t i = 0; i < mailboxes.size(); ++i) {
            EXPECT_EQ(Utf8(mailboxes[i].displayName), row.mailboxes[i].name) << row.raw;
            EXPECT_EQ(Utf8(mailboxes[i].address), row.mailboxes[i].address) << row.raw;
        }
        EXPECT_EQ(!issues.empty(), row.issue) << row.raw;
        for (const auto& issue : issues) {
            EXPECT_EQ(issue.kind, IssueKind::InvalidAddressList) << row.raw;
            EXPECT_GE(issue.offset, 100u) << row.raw;
        }
    }
}

TEST(ParseAddressList, LongListIsSplitByStructureNotCommas) {
    std::string raw;
    for (int i = 0; i < 1000; ++i) {
        raw += "\"Last" + std::to_string(i) + ", First\" <user" + std::to_string(i) + "@example.com>, ";
    }
    const auto mailboxes = ParseAddressList(raw);
    ASSERT_EQ(mailboxes.size(), 1000u);
    EXPECT_EQ(Utf8(mailboxes[999].displayName), "Last999, First");
    EXPECT_EQ(Utf8(mailboxes[999].address), "user999@example.com");
}

TEST(ParseMessageIds, Table) {
    const std::pair<const char*, std::vector<std::string>> rows[] = {
        {"<a@b.test>", {"<a@b.test>"}},
        {"  <a@b.test>  (comment <x@y>) <c@d.test>", {"<a@b.test>", "<c@d.test>"}},
        {"<a@b.test>\r\n <c@d.test>", {"<a@b.test>", "<c@d.test>"}},
        {"<a@b.\r\n test>", {"<a@b.test>"}},
        {"bare@id.test", {"<bare@id.test>"}},
        {"\"Phrase\" <a@b.test>", {"<a@b.test>"}},
        {"Your message of Tuesday <a@b.test>", {"<a@b.test>"}},
        {"<a@b.test", {"<a@b.test>"}},
        {"", {}},
        {"<>", {}},
    };
    for (const auto& [raw, expected] : rows) {
        EXPECT_EQ(ParseMessageIds(raw), expected) << raw;
    }
}

}  // namespace
}  // namespace mailvane::mime
