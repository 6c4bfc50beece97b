#include "engine/mime/address_list.h"

#include <gtest/gtest.h>

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
        // A name nobody quoted: the phrase before the comma starts the name
        // of the mailbox after it, a comment standing as a word included.
        {"Garrett, Amy C (PACE) <amy@example.com>", {{"Garrett, Amy C (PACE)", "amy@example.com"}}, false},
        {"Smith, John <j@x.test>, Doe, Jane <d@x.test>",
         {{"Smith, John", "j@x.test"}, {"Doe, Jane", "d@x.test"}},
         false},
        {"you, <list@x.test>", {{"", "you"}, {"", "list@x.test"}}, true},
        {"Team: Roe, Ann <ann@x.test>;", {{"Roe, Ann", "ann@x.test"}}, false},
        // An encoded word with no address around it is a name.
        {"=?UTF-8?B?SsO8cmdlbg==?=", {{"J\xC3\xBCrgen", ""}}, true},
        {"=?UTF-8?B?SsO8cmdlbg==?=, j@x.test", {{"J\xC3\xBCrgen", ""}, {"", "j@x.test"}}, true},
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

// Exchange writes its own addresses as X.500 names; blanks and comments
// inside them are part of the name.
TEST(ParseAddressList, ExchangeNamesAreKeptAsWritten) {
    const std::string dn = "/O=EXAMPLE/OU=FIRST ADMINISTRATIVE GROUP/CN=RECIPIENTS/CN=AMY";
    const std::string labs = "/o=ExchangeLabs/ou=Exchange Administrative Group (FYDIBOHF23SPDLT)/cn=Recipients/cn=amy";
    struct Row {
        std::string raw;
        std::string name;
        std::string address;
    };
    const Row rows[] = {
        {dn, "", dn},
        {"Amy <" + dn + ">", "Amy", dn},
        {"Garrett, Amy <" + labs + ">", "Garrett, Amy", labs},
        {"  " + labs + "  ", "", labs},
    };
    for (const auto& row : rows) {
        const auto mailboxes = ParseAddressList(row.raw);
        ASSERT_EQ(mailboxes.size(), 1u) << row.raw;
        EXPECT_TRUE(mailboxes[0].x500) << row.raw;
        EXPECT_EQ(Utf8(mailboxes[0].displayName), row.name) << row.raw;
        EXPECT_EQ(Utf8(mailboxes[0].address), row.address) << row.raw;
    }
    const auto mixed = ParseAddressList(dn + ", Bob <bob@x.test>");
    ASSERT_EQ(mixed.size(), 2u);
    EXPECT_TRUE(mixed[0].x500);
    EXPECT_FALSE(mixed[1].x500);
    EXPECT_EQ(Utf8(mixed[1].displayName), "Bob");
    EXPECT_FALSE(ParseAddressList("a/b=c@x.test")[0].x500);
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
