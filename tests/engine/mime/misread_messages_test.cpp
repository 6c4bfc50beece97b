#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <vector>

#include "engine/mime/date_time.h"
#include "engine/mime/message_parser.h"
#include "test_support.h"

namespace mailvane::mime {
namespace {

// Copies of the corpus files named here, kept with the tests.
std::filesystem::path RegressionsDir() {
    return std::filesystem::path(MAILVANE_SOURCE_DIR) / "tests" / "data" / "regressions";
}

std::vector<std::uint8_t> ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Real messages that were once misread: a nested multipart on its parent's
// boundary, a header line without a field name, dates in forms beyond
// RFC 5322.
TEST(Regressions, MessagesOnceMisread) {
    const auto read = [](const char* name) { return ParseMessage(ReadFile(RegressionsDir() / name)); };

    const auto sameBoundary = read("cpython-16-msg-15-alt.eml");
    ASSERT_EQ(sameBoundary.root.children.size(), 2u);
    EXPECT_EQ(sameBoundary.root.children[0]->mediaType, "multipart/alternative");
    EXPECT_EQ(sameBoundary.root.children[0]->children.size(), 2u);
    EXPECT_EQ(sameBoundary.root.children[1]->mediaType, "image/gif");

    const auto related = read("mimeexplode-28-viraldoc-related.eml");
    ASSERT_GE(related.root.children.size(), 2u);
    ASSERT_EQ(related.root.children[0]->children.size(), 1u);
    EXPECT_EQ(related.root.children[0]->children[0]->mediaType, "text/html");
    EXPECT_EQ(related.root.children[1]->mediaType, "audio/x-wav");

    const auto crash = read("kmime-04-dfaure-crash.eml");
    EXPECT_EQ(test::AsString(crash.root.body).substr(0, 4), "asdf");
    const auto bugmail = read("tb-mailnews-50-bugmail1.eml");
    EXPECT_NE(bugmail.root.headers.Find("X-Bugzilla-Who"), nullptr);

    const auto dateOf = [&read](const char* name) -> std::optional<std::int64_t> {
        const auto message = read(name);
        const auto* date = message.root.headers.Find("Date");
        return date ? ParseDateTime(date->value) : std::nullopt;
    };
    EXPECT_EQ(dateOf("notmuch-07-encrypted-signed-pgp.eml"), 1559167762);
    EXPECT_EQ(dateOf("tb-news-04-bug403242-att-text.eml"), 1194633429);
}

}  // namespace
}  // namespace mailvane::mime
