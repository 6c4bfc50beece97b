#include "engine/mbox/header_field.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace mailvane::mbox {
namespace {

std::optional<std::string> Field(const std::string& message, std::string_view name) {
    const std::vector<std::uint8_t> bytes(message.begin(), message.end());
    return HeaderFieldValue(bytes, name);
}

TEST(HeaderField, TheUnfoldedValueOfTheFirstFieldOfThatName) {
    const std::string message =
        "From: a@example.org\r\nX-Gmail-Labels: Inbox,\r\n \"Clients, old\",\r\n\tWork/Projects  \r\n"
        "x-gmail-labels: second\r\nSubject: s\r\n\r\nX-Gmail-Labels: in the body\r\n";
    EXPECT_EQ(Field(message, "X-Gmail-Labels"), "Inbox, \"Clients, old\",\tWork/Projects");
    EXPECT_EQ(Field(message, "SUBJECT"), "s");
    EXPECT_EQ(Field(message, "Subject"), "s");
    EXPECT_EQ(Field(message, "From"), "a@example.org");
}

TEST(HeaderField, NoValueOutsideTheHeaderBlockOrForAnotherName) {
    EXPECT_EQ(Field("Subject: s\n\nX-Gmail-Labels: body\n", "X-Gmail-Labels"), std::nullopt);
    EXPECT_EQ(Field("X-Gmail-Label: near\nX-Gmail-Labelsx: near\n", "X-Gmail-Labels"), std::nullopt);
    EXPECT_EQ(Field("", "Subject"), std::nullopt);
    EXPECT_EQ(Field(" folded first\nSubject: s", "Subject"), "s");
    EXPECT_EQ(Field("no colon here\nSubject : spaced\n", "Subject"), "spaced");
    EXPECT_EQ(Field("Subject:", "Subject"), "");
    EXPECT_EQ(Field("Subject:\n\tonly folded\n", "Subject"), "only folded");
}

TEST(HeaderField, AFieldPastTheBoundIsNotFound) {
    std::string message;
    while (message.size() < kLongestHeaderBlock) message += "X-Filler: xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx\n";
    EXPECT_EQ(Field(message + "Subject: late\n", "Subject"), std::nullopt);
    EXPECT_EQ(Field("Subject: early\n" + message, "Subject"), "early");
}

}  // namespace
}  // namespace mailvane::mbox
