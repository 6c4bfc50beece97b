#include "engine/mbox/gmail_labels.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace mailvane::mbox {
namespace {

using Labels = std::vector<std::string>;

TEST(GmailLabels, SplitsOnCommasAndKeepsNamesAsWritten) {
    EXPECT_EQ(ParseGmailLabels("Inbox,Opened,Category Personal,Work/Projects"),
              (Labels{"Inbox", "Opened", "Category Personal", "Work/Projects"}));
    EXPECT_EQ(ParseGmailLabels(" Posteingang , Gesendet\r\n ,Entw\xc3\xbcrfe"),
              (Labels{"Posteingang", "Gesendet", "Entw\xc3\xbcrfe"}));
}

TEST(GmailLabels, QuotedLabelsHoldCommasAndQuotes) {
    EXPECT_EQ(ParseGmailLabels(R"(Inbox,"Clients, old","say ""hi""","a \"b\"",Sent)"),
              (Labels{"Inbox", "Clients, old", "say \"hi\"", "a \"b\"", "Sent"}));
}

TEST(GmailLabels, DropsEmptyAndRepeatedLabelsAndSurvivesBrokenQuoting) {
    EXPECT_EQ(ParseGmailLabels(""), Labels{});
    EXPECT_EQ(ParseGmailLabels(" , ,,"), Labels{});
    EXPECT_EQ(ParseGmailLabels("Inbox,Inbox,Starred,Inbox"), (Labels{"Inbox", "Starred"}));
    EXPECT_EQ(ParseGmailLabels("\"unclosed, still one"), Labels{"unclosed, still one"});
    EXPECT_EQ(ParseGmailLabels("\"a\"junk,b"), (Labels{"a", "b"}));
    EXPECT_EQ(ParseGmailLabels("\"\\"), Labels{"\\"});
}

TEST(GmailLabels, AFieldOfManyLabelsKeepsEachOnce) {
    // A field of 200,000 labels, half of them repeats: read in one pass,
    // where comparing each label with those before it would take minutes.
    std::string value;
    for (int i = 0; i < 100000; ++i) value += "L" + std::to_string(i) + ",L" + std::to_string(i / 2) + ",";
    const Labels labels = ParseGmailLabels(value);
    ASSERT_EQ(labels.size(), 100000u);
    EXPECT_EQ(labels.front(), "L0");
    EXPECT_EQ(labels.back(), "L99999");
}

}  // namespace
}  // namespace mailvane::mbox
