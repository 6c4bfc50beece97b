#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "engine/mime/message_parser.h"
#include "test_support.h"

namespace mailvane::mime {
namespace {

using test::AllEntities;
using test::AsString;
using test::HasIssue;
using test::Parse;

// Offsets stay inside the source and nested entities inside their parents.
void ExpectConsistentOffsets(const ParsedMessage& message) {
    for (const auto* entity : AllEntities(message.root)) {
        EXPECT_LE(entity->begin, entity->bodyBegin);
        EXPECT_LE(entity->bodyBegin, entity->end);
        EXPECT_LE(entity->end, message.source.size());
        for (const auto& child : entity->children) {
            EXPECT_GE(child->begin, entity->bodyBegin);
            EXPECT_LE(child->end, entity->end);
        }
    }
}

TEST(HostileInput, EmptyMessage) {
    const auto message = Parse("");
    EXPECT_EQ(message.root.mediaType, "text/plain");
    EXPECT_TRUE(message.root.body.empty());
    EXPECT_TRUE(HasIssue(message, IssueKind::TruncatedMessage));
}

TEST(HostileInput, NulBytesAndBinaryGarbage) {
    const std::string withNul("Subject: a\0b\r\nX\0Y: z\r\n\r\nbody\0end", 33);
    const auto message = Parse(withNul);
    EXPECT_EQ(message.root.headers.Find("Subject")->value, std::string("a\0b", 3));
    ExpectConsistentOffsets(message);

    std::mt19937 random(12345);
    for (int round = 0; round < 200; ++round) {
        std::string garbage(static_cast<std::size_t>(random() % 4096), '\0');
        for (auto& c : garbage) {
            c = static_cast<char>(random());
        }
        if (round % 2 == 0) {
            garbage = "Content-Type: multipart/mixed; boundary=\"x\"\r\n\r\n--x\r\n" + garbage;
        }
        const auto parsed = Parse(garbage);
        // Only a message without any LF has its CRs read as line ends.
        const bool crOnly = garbage.find('\n') == std::string::npos;
        const auto crs = static_cast<std::size_t>(std::count(garbage.begin(), garbage.end(), '\r'));
        ASSERT_EQ(parsed.source.size(), garbage.size() + (crOnly ? crs : 0));
        ExpectConsistentOffsets(parsed);
    }
}

TEST(HostileInput, TenThousandNestedMultipartsStayBounded) {
    constexpr int kLevels = 10000;
    std::string text;
    for (int i = 0; i < kLevels; ++i) {
        text += "Content-Type: multipart/mixed; boundary=\"b" + std::to_string(i) + "\"\r\n\r\n--b" +
                std::to_string(i) + "\r\n";
    }
    text += "Content-Type: text/plain\r\n\r\ninnermost\r\n";
    for (int i = kLevels - 1; i >= 0; --i) {
        text += "--b" + std::to_string(i) + "--\r\n";
    }
    const ParseLimits limits;
    const auto message = Parse(text, limits);
    EXPECT_TRUE(HasIssue(message, IssueKind::NestingLimit));
    std::size_t depth = 0;
    const MimeEntity* entity = &message.root;
    while (!entity->children.empty()) {
        entity = entity->children.front().get();
        ++depth;
    }
    EXPECT_EQ(depth, limits.maxDepth);
    // The opaque leaf keeps the bytes below the limit.
    EXPECT_NE(AsString(entity->body).find("innermost"), std::string::npos);
    ExpectConsistentOffsets(message);
}

TEST(HostileInput, NestedMessagesStayBounded) {
    std::string text;
    for (int i = 0; i < 5000; ++i) {
        text += "Content-Type: message/rfc822\r\n\r\n";
    }
    text += "Subject: deep\r\n\r\nbody";
    ParseLimits limits;
    limits.maxDepth = 10;
    const auto message = Parse(text, limits);
    EXPECT_TRUE(HasIssue(message, IssueKind::NestingLimit));
    EXPECT_EQ(AllEntities(message.root).size(), 11u);
}

TEST(HostileInput, OneMegabyteHeaderLine) {
    const std::string longValue(1 << 20, 'x');
    const auto message = Parse("Subject: " + longValue + "y\r\nX-Next: kept\r\n\r\nbody");
    EXPECT_TRUE(HasIssue(message, IssueKind::LineLengthLimit));
    EXPECT_EQ(message.root.headers.Find("Subject")->value.size(), ParseLimits{}.maxLineLength - 1);
    // The line filled the header budget: what follows is skipped, the body still found.
    EXPECT_TRUE(HasIssue(message, IssueKind::HeaderSizeLimit));
    EXPECT_EQ(message.root.headers.Find("X-Next"), nullptr);
    EXPECT_EQ(AsString(message.root.body), "body");

    ParseLimits shortLines;
    shortLines.maxLineLength = 1000;
    const auto cut = Parse("Subject: " + longValue + "\r\nX-Next: kept\r\n\r\nbody", shortLines);
    EXPECT_EQ(cut.root.headers.Find("Subject")->value.size(), 999u);
    ASSERT_NE(cut.root.headers.Find("X-Next"), nullptr);
    EXPECT_EQ(cut.root.headers.Find("X-Next")->value, "kept");
}

TEST(HostileInput, HeaderCountAndSizeLimits) {
    std::string many;
    for (int i = 0; i < 50; ++i) {
        many += "X-Field-" + std::to_string(i) + ": value\r\n";
    }
    ParseLimits limits;
    limits.maxHeaderFields = 10;
    const auto counted = Parse(many + "\r\nbody", limits);
    EXPECT_TRUE(HasIssue(counted, IssueKind::HeaderCountLimit));
    EXPECT_EQ(counted.root.headers.Fields().size(), 10u);
    EXPECT_EQ(AsString(counted.root.body), "body");

    limits = ParseLimits{};
    limits.maxHeaderBytes = 100;
    const auto sized = Parse(many + "\r\nbody", limits);
    EXPECT_TRUE(HasIssue(sized, IssueKind::HeaderSizeLimit));
    EXPECT_LT(sized.root.headers.Fields().size(), 50u);
    EXPECT_EQ(AsString(sized.root.body), "body");
}

TEST(HostileInput, PartCountLimit) {
    std::string text = "Content-Type: multipart/mixed; boundary=b\r\n\r\n";
    for (int i = 0; i < 100; ++i) {
        text += "--b\r\n\r\npart\r\n";
    }
    text += "--b--\r\n";
    ParseLimits limits;
    limits.maxParts = 20;
    const auto message = Parse(text, limits);
    EXPECT_TRUE(HasIssue(message, IssueKind::PartCountLimit));
    EXPECT_EQ(AllEntities(message.root).size(), 20u);
}

TEST(HostileInput, MultipartWithoutBoundaryOrParts) {
    const auto message = Parse("Content-Type: multipart/mixed\r\n\r\nno delimiters at all\r\n-- \r\nsig\r\n");
    EXPECT_TRUE(HasIssue(message, IssueKind::MultipartWithoutBoundary));
    EXPECT_EQ(message.root.mediaType, "text/plain");
    EXPECT_EQ(AsString(message.root.body), "no delimiters at all\r\n-- \r\nsig\r\n");
}

TEST(HostileInput, BrokenBase64StillDecodes) {
    const auto message = Parse("Content-Transfer-Encoding: base64\r\n\r\nSGVs!!bG8s\r\n\x01IHdvcmxk\r\nIQ");
    EXPECT_TRUE(HasIssue(message, IssueKind::InvalidBase64));
    EXPECT_EQ(AsString(message.root.body), "Hello, world!");
}

TEST(HostileInput, HeaderOnlyAndCutInsideHeader) {
    const auto headerOnly = Parse("Subject: only\r\n");
    EXPECT_EQ(headerOnly.root.headers.Find("Subject")->value, "only");
    EXPECT_TRUE(headerOnly.root.body.empty());
    EXPECT_TRUE(HasIssue(headerOnly, IssueKind::TruncatedMessage));
    const auto cut = Parse("Subject: cut in the mid");
    EXPECT_EQ(cut.root.headers.Find("Subject")->value, "cut in the mid");
}

// Parsing cost grows with the input, not with its square: many parts and
// many candidate delimiter lines in one multipart are read in one pass.
TEST(HostileInput, ManyNearMissDelimitersParse) {
    std::string text = "Content-Type: multipart/mixed; boundary=boundary\r\n\r\n--boundary\r\n\r\n";
    for (int i = 0; i < 200000; ++i) {
        text += "--boundaryX\r\n";
    }
    text += "--boundary--\r\n";
    const auto message = Parse(text);
    ASSERT_EQ(message.root.children.size(), 1u);
    EXPECT_EQ(message.root.children[0]->body.size(), 200000u * 13 - 2);
}

}  // namespace
}  // namespace mailvane::mime
