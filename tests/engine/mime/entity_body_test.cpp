#include "engine/mime/entity_body.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/mime/message_parser.h"
#include "test_support.h"

namespace mailvane::mime {
namespace {

using test::AsString;
using test::Bytes;

bool LiesWithin(const EntityBody& body, std::span<const std::uint8_t> source) {
    return body.data() >= source.data() && body.data() + body.size() <= source.data() + source.size();
}

// Content the transfer encoding leaves as it is stays where it is in the
// message; decoded content has bytes of its own.
TEST(EntityBody, UnencodedContentIsSeenInTheSourceAndDecodedContentIsOwn) {
    const std::string_view text =
        "Content-Type: multipart/mixed; boundary=b\r\n\r\n"
        "--b\r\nContent-Transfer-Encoding: 8bit\r\n\r\ncaf\xE9\r\n"
        "--b\r\nContent-Type: application/pdf\r\nContent-Transfer-Encoding: binary\r\n\r\n%PDF\r\n"
        "--b\r\nContent-Type: text/html\r\n\r\n<p>x</p>\r\n"
        "--b\r\nContent-Transfer-Encoding: base64\r\n\r\naGVsbG8=\r\n"
        "--b\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\na=3Db\r\n"
        "--b--\r\n";
    const std::vector<std::uint8_t> source = Bytes(text);
    for (const bool borrowed : {true, false}) {
        ParsedMessage message = borrowed ? ParseBorrowedMessage(source) : ParseMessage(source);
        // Moved, the parse keeps the bytes its bodies show.
        const ParsedMessage moved = std::move(message);
        ASSERT_EQ(moved.root.children.size(), 5u);
        const auto& parts = moved.root.children;
        EXPECT_EQ(AsString(parts[0]->body), "caf\xE9");
        EXPECT_EQ(AsString(parts[1]->body), "%PDF");
        EXPECT_EQ(AsString(parts[2]->body), "<p>x</p>");
        EXPECT_EQ(AsString(parts[3]->body), "hello");
        EXPECT_EQ(AsString(parts[4]->body), "a=b");
        for (int i = 0; i < 3; ++i) EXPECT_TRUE(LiesWithin(parts[i]->body, moved.source)) << i;
        for (int i = 3; i < 5; ++i) EXPECT_FALSE(LiesWithin(parts[i]->body, moved.source)) << i;
        if (borrowed) {
            EXPECT_EQ(moved.source.data(), source.data());
        }
    }
}

// Copies share the bytes they show, never change them, and taking moves
// bytes out only from a body nothing shares them with.
TEST(EntityBody, CopiesMovesAndTakingKeepWhatTheBodyShows) {
    const std::vector<std::uint8_t> source = Bytes("in the source");
    const EntityBody view = EntityBody::InSource(source);
    const EntityBody own(Bytes("own bytes"));

    const EntityBody viewCopy = view;
    EXPECT_EQ(viewCopy.data(), source.data());
    const EntityBody ownCopy = own;
    EXPECT_EQ(ownCopy.data(), own.data());
    EXPECT_EQ(ownCopy, own);

    EntityBody fromView = view;
    std::vector<std::uint8_t> taken = std::move(fromView).Take();
    EXPECT_EQ(taken, source);
    EXPECT_NE(taken.data(), source.data());
    EXPECT_TRUE(fromView.empty());

    EntityBody fromOwn = own;
    taken = std::move(fromOwn).Take();
    EXPECT_NE(taken.data(), own.data());
    EXPECT_EQ(AsString(taken), "own bytes");
    EXPECT_EQ(AsString(own), "own bytes");
    EXPECT_TRUE(fromOwn.empty());

    EntityBody alone(Bytes("alone"));
    const std::uint8_t* aloneBytes = alone.data();
    taken = std::move(alone).Take();
    EXPECT_EQ(taken.data(), aloneBytes);

    EntityBody moved(Bytes("moved"));
    const EntityBody to = std::move(moved);
    EXPECT_EQ(AsString(to), "moved");
    EXPECT_TRUE(moved.empty());  // NOLINT(bugprone-use-after-move): a moved body shows nothing

    EntityBody assigned = view;
    assigned.assign(source.begin(), source.begin() + 2);
    EXPECT_EQ(AsString(assigned), "in");
    EXPECT_NE(assigned.data(), source.data());
    EXPECT_EQ(AsString(view), "in the source");
}

// A reader that outlives the parse shares a body's own bytes; a view has
// none to share, its source keeps them.
TEST(EntityBody, OwnBytesAreSharedWithoutACopy) {
    const std::vector<std::uint8_t> source = Bytes("in the source");
    std::shared_ptr<const std::vector<std::uint8_t>> shared;
    {
        const EntityBody own(Bytes("own bytes"));
        shared = own.Shared();
        ASSERT_NE(shared, nullptr);
        EXPECT_EQ(shared->data(), own.data());
    }
    EXPECT_EQ(AsString(*shared), "own bytes");
    EXPECT_EQ(EntityBody::InSource(source).Shared(), nullptr);
    EXPECT_EQ(EntityBody().Shared(), nullptr);
}

}  // namespace
}  // namespace mailvane::mime
