#include <gtest/gtest.h>

#include <string_view>

#include "engine/convert/eml_converter.h"

namespace mailvane {
namespace {

std::span<const std::uint8_t> Bytes(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

TEST(ReadMailState, ReadsTheHeaderBlockOnly) {
    constexpr std::string_view kEml =
        "From: a@example.org\r\n"
        "X-Mozilla-Status: 0009\r\n"
        "X-Mozilla-Keys: $label1 work\r\n"
        "Subject: s\r\n"
        "\r\n"
        "X-Status: T\r\n"
        "Status: O\r\n";
    std::vector<ConversionIssue> issues;
    MailState state = ReadMailState(Bytes(kEml), &issues);
    EXPECT_TRUE(issues.empty());
    EXPECT_TRUE(state.deleted);
    EXPECT_TRUE(state.read);
    EXPECT_FALSE(state.draft);
    EXPECT_EQ(state.categories, (std::vector<std::u16string>{u"Important", u"work"}));
}

TEST(ReadMailState, AfterAnMboxFromLineWithAnyLineEnds) {
    for (std::string_view eml : {
             std::string_view("From a@b Sat Jan  3 01:05:34 1996\nStatus: O\nX-Status: AF\n\nbody\n"),
             std::string_view("From a@b Sat Jan  3 01:05:34 1996\r\nStatus: O\r\nX-Status: AF\r\n\r\nbody\r\n"),
             std::string_view("Status: O\rX-Status: AF\r\rbody\r"),
             std::string_view("Status: O\rX-Status:\r AF\r"),
         }) {
        MailState state = ReadMailState(Bytes(eml));
        EXPECT_FALSE(state.read) << eml;
        EXPECT_TRUE(state.replied) << eml;
        EXPECT_TRUE(state.flagged) << eml;
    }
}

TEST(ReadMailState, GivesOnlyTheStateFieldsIssuesAtTheirOffsets) {
    constexpr std::string_view kEml =
        "Subject: a\r\n"
        "Subject: b\r\n"
        "X-Mozilla-Status: 1\r\n"
        "Status: O\r\n";
    std::vector<ConversionIssue> issues;
    MailState state = ReadMailState(Bytes(kEml), &issues);
    EXPECT_FALSE(state.read);
    ASSERT_EQ(issues.size(), 1u);
    EXPECT_EQ(issues[0].kind, IssueKind::InvalidStateField);
    EXPECT_EQ(issues[0].offset, kEml.find("X-Mozilla"));
    EXPECT_EQ(ReadMailState(Bytes(kEml)), state);
}

TEST(ReadMailState, NothingReadableIsAReceivedReadMail) {
    for (std::string_view eml : {std::string_view(""), std::string_view("\r\n\r\nStatus: O\r\n"),
                                 std::string_view("From \n"), std::string_view("\xFF\xFE\x00junk", 6)}) {
        std::vector<ConversionIssue> issues;
        EXPECT_EQ(ReadMailState(Bytes(eml), &issues), MailState{});
        EXPECT_TRUE(issues.empty());
    }
}

}  // namespace
}  // namespace mailvane
