#include "engine/mbox/mbox_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/mboxrd_writer.h"
#include "tests/support/memory_input.h"

namespace mailvane::mbox {
namespace {

struct Read {
    std::vector<std::string> messages;
    std::vector<std::uint64_t> offsets;
    bool operator==(const Read&) const = default;
};

Read ReadAll(std::string_view mailbox, MboxFormat format = MboxFormat::Auto, std::size_t piece = 1 << 20,
             std::uint64_t limit = 1 << 20) {
    testing::MemoryInput source(mailbox, piece);
    MboxReader reader(source, format, limit);
    Read read;
    MboxMessage message;
    while (reader.Next(message)) {
        read.messages.emplace_back(message.oversized ? "<oversized>"
                                                     : std::string(message.bytes.begin(), message.bytes.end()));
        read.offsets.push_back(message.offset);
    }
    EXPECT_EQ(reader.Error(), "");
    EXPECT_EQ(reader.Consumed(), mailbox.size());
    return read;
}

constexpr std::string_view kSeparator = "From alice@example.org Mon Jan  1 10:00:00 2001\n";

TEST(MboxSeparatorLine, FormsOfRealMailboxesAndLinesOfBodies) {
    const std::pair<std::string_view, bool> cases[] = {
        {"From alice@example.org Mon Jan  1 10:00:00 2001\n", true},
        {"From MAILER-DAEMON Fri Jul  8 12:08:34 2011\r\n", true},
        {"From - Sat Jan  3 01:05:34 1996", true},                              // Thunderbird
        {"From 1234567890@xxx Sat Jan 01 00:00:00 +0000 2022\n", true},         // an export with a zone
        {"From bob@example.org Thu, 13 Apr 2006 12:00:00 +0200 2006\n", true},  // an RFC 5322 date
        {"From the desk of the CEO\n", false},
        {"From here on 2011 things changed at 10:30\n", false},  // no day or month name
        {"From: alice@example.org\n", false},
        {"From  Mon Jan  1 10:00:00 2001\n", false},  // no sender
        {"from alice Mon Jan  1 10:00:00 2001\n", false},
        {">From alice Mon Jan  1 10:00:00 2001\n", false},
        {"From alice Mon Jan  1 2001\n", false},         // no time
        {"From alice Mon Jan  1 10:00:00 01\n", false},  // no four-digit year
        {"From alice Monday January 1 10:00 20011\n", false},
        {"From\n", false},
    };
    for (const auto& [line, separator] : cases) EXPECT_EQ(IsMboxSeparatorLine(line), separator) << line;
    EXPECT_FALSE(IsMboxSeparatorLine("From a Mon Jan  1 10:00:00 2001 " + std::string(1000, 'x')));
}

TEST(MboxReader, SplitsAtSeparatorsAndDropsTheBlankLineBetweenMessages) {
    const std::string mailbox = std::string(kSeparator) + "Subject: one\n\nbody one\n\n" + std::string(kSeparator) +
                                "Subject: two\n\nbody two\n";
    const Read read = ReadAll(mailbox);
    EXPECT_EQ(read.messages, (std::vector<std::string>{"Subject: one\n\nbody one\n", "Subject: two\n\nbody two\n"}));
    EXPECT_EQ(read.offsets, (std::vector<std::uint64_t>{
                                0, kSeparator.size() + std::string_view("Subject: one\n\nbody one\n\n").size()}));
}

TEST(MboxReader, CrlfLineEnds) {
    const std::string separator = "From alice Mon Jan  1 10:00:00 2001\r\n";
    const std::string mailbox =
        separator + "Subject: one\r\n\r\nbody\r\n\r\n" + separator + "Subject: two\r\n\r\n>From here\r\n\r\n";
    EXPECT_EQ(ReadAll(mailbox).messages,
              (std::vector<std::string>{"Subject: one\r\n\r\nbody\r\n", "Subject: two\r\n\r\nFrom here\r\n"}));
}

TEST(MboxReader, FromLinesInBodiesNeverSplitAMessage) {
    // Unquoted "From " lines, as careless writers leave them: not after a
    // blank line, or not in the form of a separator.
    const std::string body =
        "Subject: quotes\n\nFrom the desk of the CEO:\nFrom now on, we meet on Mondays.\n\nFrom here on it is "
        "different\nFrom alice Mon Jan  1 10:00:00 2001\n";
    const std::string mailbox = std::string(kSeparator) + body + "\n" + std::string(kSeparator) + "Subject: b\n\nb\n";
    for (const MboxFormat format :
         {MboxFormat::Auto, MboxFormat::Mboxo, MboxFormat::Mboxrd, MboxFormat::Mboxcl, MboxFormat::Mboxcl2}) {
        const Read read = ReadAll(mailbox, format);
        ASSERT_EQ(read.messages.size(), 2u);
        EXPECT_EQ(read.messages[0], body);
    }
}

TEST(MboxReader, QuotedFromLinesAsEachVariantReadsThem) {
    const std::string mailbox = std::string(kSeparator) + "Subject: q\n\n>From one\n>>From two\n>From:x\n";
    const std::pair<MboxFormat, std::string_view> cases[] = {
        {MboxFormat::Mboxrd, "Subject: q\n\nFrom one\n>From two\n>From:x\n"},
        {MboxFormat::Auto, "Subject: q\n\nFrom one\n>From two\n>From:x\n"},
        {MboxFormat::Mboxo, "Subject: q\n\nFrom one\n>>From two\n>From:x\n"},
        {MboxFormat::Mboxcl, "Subject: q\n\nFrom one\n>>From two\n>From:x\n"},
        {MboxFormat::Mboxcl2, "Subject: q\n\n>From one\n>>From two\n>From:x\n"},
    };
    for (const auto& [format, expected] : cases) {
        EXPECT_EQ(ReadAll(mailbox, format).messages, std::vector<std::string>{std::string(expected)});
    }
}

TEST(MboxReader, ContentLengthBoundsABodyWithSeparatorLinesInIt) {
    const std::string body = "line\n\nFrom bob Tue Feb  2 10:00:00 2002\nmore\n";
    const std::string first = "Subject: a\nContent-Length: " + std::to_string(body.size()) + "\n\n" + body;
    const std::string mailbox = std::string(kSeparator) + first + "\n" + std::string(kSeparator) + "Subject: b\n\nb\n";
    for (const MboxFormat format : {MboxFormat::Auto, MboxFormat::Mboxcl, MboxFormat::Mboxcl2}) {
        const Read read = ReadAll(mailbox, format);
        EXPECT_EQ(read.messages, (std::vector<std::string>{first, "Subject: b\n\nb\n"}));
        EXPECT_EQ(read.offsets, (std::vector<std::uint64_t>{0, kSeparator.size() + first.size() + 1}));
    }
    // mboxo and mboxrd know nothing of Content-Length: the separator inside splits.
    EXPECT_EQ(ReadAll(mailbox, MboxFormat::Mboxrd).messages.size(), 3u);
}

TEST(MboxReader, ContentLengthThatDoesNotCheckOutIsPassedOver) {
    for (const std::string_view length : {"3", "9999", "20", "abc"}) {
        const std::string first = "Subject: a\nContent-Length: " + std::string(length) + "\n\nbody of a\nline 2\n";
        const std::string mailbox =
            std::string(kSeparator) + first + "\n" + std::string(kSeparator) + "Subject: b\n\nb\n";
        const Read read = ReadAll(mailbox, MboxFormat::Mboxcl2);
        EXPECT_EQ(read.messages, (std::vector<std::string>{first, "Subject: b\n\nb\n"})) << length;
    }
}

TEST(MboxReader, CountedBodyAtTheEndOfTheFile) {
    const std::string mailbox = std::string(kSeparator) + "Content-Length: 5\n\nabcd\n\n";
    EXPECT_EQ(ReadAll(mailbox, MboxFormat::Mboxcl2).messages, std::vector<std::string>{"Content-Length: 5\n\nabcd\n"});
}

TEST(MboxReader, EdgesOfTheFile) {
    EXPECT_TRUE(ReadAll("").messages.empty());
    EXPECT_TRUE(ReadAll("\n\n").messages.empty());
    EXPECT_TRUE(ReadAll(std::string(kSeparator)).messages.empty());
    // Text before the first separator is a message of its own; the last may lack its line end.
    EXPECT_EQ(ReadAll("Subject: loose\n\ntext\n\n" + std::string(kSeparator) + "Subject: b\n\nno end").messages,
              (std::vector<std::string>{"Subject: loose\n\ntext\n", "Subject: b\n\nno end"}));
    // Two separators in a row: the empty message between them is passed over.
    const Read read = ReadAll(std::string(kSeparator) + std::string(kSeparator) + "Subject: c\n\nc\n");
    EXPECT_EQ(read.messages, std::vector<std::string>{"Subject: c\n\nc\n"});
    EXPECT_EQ(read.offsets, std::vector<std::uint64_t>{kSeparator.size()});
}

TEST(MboxReader, TheSameMessagesHoweverTheBytesArrive) {
    std::string mailbox;
    for (int i = 0; i < 5; ++i) {
        const std::string body =
            "Subject: m" + std::to_string(i) + "\r\n\r\n>From x\n" + std::string(300 + i * 97, 'y');
        mailbox += std::string(kSeparator) + body + "\n\n";
        const std::string counted = "Content-Length: 4\n\nabc\n";
        mailbox += std::string(kSeparator) + counted + "\n";
    }
    const Read whole = ReadAll(mailbox);
    ASSERT_EQ(whole.messages.size(), 10u);
    for (const std::size_t piece : {1, 2, 3, 7, 64, 333}) {
        EXPECT_EQ(ReadAll(mailbox, MboxFormat::Auto, piece), whole) << piece;
    }
}

TEST(MboxReader, LinesLongerThanTheBufferStayWhole) {
    const std::string line(700 * 1024, 'L');
    const std::string first = "Subject: long\n\n" + line + "\nFrom " + line + "\n";
    const std::string mailbox = std::string(kSeparator) + first + "\n" + std::string(kSeparator) + "Subject: b\n\nb\n";
    const Read read = ReadAll(mailbox, MboxFormat::Auto, 4096, 4 << 20);
    ASSERT_EQ(read.messages.size(), 2u);
    EXPECT_TRUE(read.messages[0] == first) << "the long lines differ";
    EXPECT_EQ(read.messages[1], "Subject: b\n\nb\n");
}

TEST(MboxReader, AMessagePastTheLimitIsMarkedAndTheNextOneIsWhole) {
    const std::string mailbox = std::string(kSeparator) + "Subject: big\n\n" + std::string(5000, 'x') + "\n\n" +
                                std::string(kSeparator) + "Subject: small\n\ns\n";
    const Read read = ReadAll(mailbox, MboxFormat::Auto, 100, 1000);
    EXPECT_EQ(read.messages, (std::vector<std::string>{"<oversized>", "Subject: small\n\ns\n"}));
    EXPECT_EQ(read.offsets[1], kSeparator.size() + 14 + 5001 + 1);
}

TEST(MboxReader, WhatAnMboxrdWriterWroteReadsBackUnchanged) {
    const std::vector<std::string> messages = {
        "Subject: a\n\nFrom the top\n>From quoted\n>>>From deep\n\nFrom alice Mon Jan  1 10:00:00 2001\n",
        "Subject: b\r\n\r\nFrom x Mon Jan  1 10:00:00 2001\r\n\r\n",
        "From: not a separator line\n\nbody\n",
    };
    EXPECT_EQ(ReadAll(testing::WriteMboxrd(messages, kSeparator), MboxFormat::Mboxrd).messages, messages);
    EXPECT_EQ(ReadAll(testing::WriteMboxrd(messages, kSeparator), MboxFormat::Auto).messages, messages);
}

}  // namespace
}  // namespace mailvane::mbox
