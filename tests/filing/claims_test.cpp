#include "filing/claims.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>
#include <vector>

#include "filing/file_system.h"
#include "filing/output_naming.h"
#include "filing/utf8_path.h"
#include "tests/support/scratch_folder.h"

namespace mailvane::filing {

using testing::ScratchFolder;
namespace {

// A Windows name may hold a surrogate without its pair, which no UTF-8 can
// say: it is shown, and its output named, with U+FFFD in its place. (The
// standard conversion threw while the run made the input's job, outside
// any handler, and ended eml2msg.) Elsewhere a name is bytes, kept as they
// are.
TEST(OutputNaming, NamesThatAreNoUnicodeTextStillGetOutputs) {
#if defined(_WIN32)
    const std::filesystem::path input(L"in\\a\xD800z.eml");
    EXPECT_EQ(Utf8FromPath(input), "in\\a\xEF\xBF\xBDz.eml");
    EXPECT_EQ(Utf8FromPath(std::filesystem::path(L"\xDC00\xD800")), "\xEF\xBF\xBD\xEF\xBF\xBD");
    const std::string expected = "a\xEF\xBF\xBDz.msg";
#else
    const std::filesystem::path input("in/a\xFFz.eml");
    EXPECT_EQ(Utf8FromPath(input), "in/a\xFFz.eml");
    const std::string expected = "a\xFFz.msg";
#endif
    RunClaims ledger;
    const std::filesystem::path out("out");
    const std::filesystem::path output = ledger.ClaimName(out, OutputFileName(Utf8FromPath(input.filename())));
    EXPECT_EQ(output.parent_path(), out);
    EXPECT_EQ(Utf8FromPath(output.filename()), expected);
}

TEST(ClaimedNames, SecondAndLaterClaimsOfANameAreNumbered) {
    RunClaims ledger;
    const std::filesystem::path out("out");
    EXPECT_EQ(ledger.ClaimName(out, "a.msg"), out / "a.msg");
    EXPECT_EQ(ledger.ClaimName(out, "a.msg"), out / "a (2).msg");
    EXPECT_EQ(ledger.ClaimName(out, "a (2).msg"), out / "a (2) (2).msg");
    EXPECT_EQ(ledger.ClaimName(out, "a.msg"), out / "a (3).msg");
    EXPECT_EQ(ledger.ClaimName(out / "Sent", "a.msg"), out / "Sent" / "a.msg");
}

TEST(ClaimedNames, EachFolderNumbersItsOwnNamesHoweverItIsSpelt) {
    RunClaims ledger;
    const std::filesystem::path out("out");
    const std::filesystem::path sent = out / "Sent";
    EXPECT_EQ(ledger.ClaimName(out, "a.msg"), out / "a.msg");
    EXPECT_EQ(ledger.ClaimName(sent, "a.msg"), sent / "a.msg");
    EXPECT_EQ(ledger.ClaimName(out, "a.msg"), out / "a (2).msg") << "back to the first folder";
    EXPECT_EQ(ledger.ClaimName(sent, "a.msg"), sent / "a (2).msg");
    // The same folder with a separator at its end.
    const std::filesystem::path outAgain = out / std::filesystem::path();
    EXPECT_EQ(ledger.ClaimName(outAgain, "a.msg"), outAgain / "a (3).msg");
    EXPECT_EQ(ledger.ClaimName(outAgain, "b.msg"), outAgain / "b.msg");
    EXPECT_EQ(ledger.ClaimName(out, "b.msg"), out / "b (2).msg");
}

// A name that is no UTF-8 (on Windows taken in the system's code page) is
// numbered like any other, not given out again.
TEST(ClaimedNames, NumbersANameThatIsNoUtf8) {
    RunClaims ledger;
    const std::filesystem::path out("out");
    const std::filesystem::path first = ledger.ClaimName(out, "\xE9t\xE9.msg");
    const std::filesystem::path second = ledger.ClaimName(out, "\xE9t\xE9.msg");
    const std::filesystem::path third = ledger.ClaimName(out, "\xE9t\xE9.msg");
    EXPECT_NE(first, second);
    EXPECT_NE(second, third);
    EXPECT_NE(first, third);
    EXPECT_EQ(second.parent_path(), out);
}

// Workers of one run claiming names at once each get a name of their own.
TEST(ClaimedNames, ClaimsFromManyThreadsNeverShareAName) {
    RunClaims ledger;
    const std::filesystem::path out("out");
    constexpr int kThreads = 4;
    constexpr int kEach = 200;
    std::vector<std::vector<std::filesystem::path>> given(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kEach; ++i) given[t].push_back(ledger.ClaimName(out, "a.msg"));
        });
    }
    for (std::thread& thread : threads) thread.join();
    std::vector<std::string> all;
    for (const auto& paths : given) {
        for (const auto& path : paths) all.push_back(Utf8FromPath(path.filename()));
    }
    std::sort(all.begin(), all.end());
    EXPECT_EQ(std::adjacent_find(all.begin(), all.end()), all.end());
    ASSERT_EQ(all.size(), std::size_t{kThreads * kEach});
    EXPECT_NE(std::find(all.begin(), all.end(), "a (" + std::to_string(kThreads * kEach) + ").msg"), all.end());
}

class ClaimedFiles : public ::testing::Test {
protected:
    ClaimedFiles() {
        ScratchFolder::Write(m_folder / "in.eml", "Subject: a\r\n\r\na\r\n");
        ScratchFolder::Write(m_folder / "list.txt", "in.eml\n");
        ScratchFolder::Write(m_folder / "other.msg", "other");
    }
    ScratchFolder m_folder{"claims"};
    RunClaims m_claims;
};

// An input is found again however the output's path is spelt.
TEST_F(ClaimedFiles, AnInputIsFoundByIdentityHoweverItsPathIsSpelt) {
    m_claims.ClaimInput(m_folder / "in.eml", "in.eml");
    m_claims.ClaimInput(m_folder / "absent.eml", "absent.eml");  // nothing there: nothing claimed
    EXPECT_EQ(m_claims.InputAt(m_folder / "in.eml"), "in.eml");
    EXPECT_EQ(m_claims.InputAt(m_folder.Path() / "." / "in.eml"), "in.eml");
    EXPECT_EQ(m_claims.InputAt(m_folder.Path().parent_path() / m_folder.Path().filename() / "in.eml"), "in.eml");
    EXPECT_EQ(m_claims.InputAt(m_folder / "other.msg"), std::nullopt);
    EXPECT_EQ(m_claims.InputAt(m_folder / "absent.eml"), std::nullopt);
    const std::optional<FileIdentity> identity = IdentityOf(m_folder / "in.eml");
    ASSERT_TRUE(identity.has_value());
    EXPECT_EQ(m_claims.InputOf(*identity), "in.eml");
    // The first name a file was claimed under is the one it keeps.
    m_claims.ClaimInput(*identity, "again");
    EXPECT_EQ(m_claims.InputOf(*identity), "in.eml");
}

TEST_F(ClaimedFiles, AHardLinkToAnInputIsTheInput) {
    std::error_code error;
    std::filesystem::create_hard_link(m_folder / "list.txt", m_folder / "hard.msg", error);
    if (error) GTEST_SKIP() << "no hard links here: " << error.message();
    m_claims.ClaimInput(m_folder / "list.txt", "the list");
    EXPECT_EQ(m_claims.InputAt(m_folder / "hard.msg"), "the list");
}

// A file of a claimed tree is claimed when the search could find it: named
// *.eml, at any depth; other names in the tree are not inputs.
TEST_F(ClaimedFiles, ATreeClaimsItsEmlFilesAtAnyDepth) {
    std::filesystem::create_directories(m_folder / "tree/deep/er");
    ScratchFolder::Write(m_folder / "tree/deep/er/x.EML", "x");
    ScratchFolder::Write(m_folder / "tree/notes.msg", "notes");
    m_claims.ClaimTree(m_folder / "tree", "tree");
    const std::filesystem::path deep = m_folder / "tree/deep/er/x.EML";
    EXPECT_EQ(m_claims.InputAt(deep), Utf8FromPath(deep) + ", a file of the folder tree");
    EXPECT_EQ(m_claims.InputAt(m_folder / "tree/notes.msg"), std::nullopt);
    EXPECT_EQ(m_claims.InputAt(m_folder / "in.eml"), std::nullopt) << "beside the tree, not in it";
    // By identity alone a tree's file is no claimed input: only the path finds its folders.
    const std::optional<FileIdentity> identity = IdentityOf(deep);
    ASSERT_TRUE(identity.has_value());
    EXPECT_EQ(m_claims.InputOf(*identity), std::nullopt);
}

// What a session saved is recorded apart from what it reads.
TEST_F(ClaimedFiles, OutputsAreRecordedApartFromInputs) {
    const std::optional<FileIdentity> saved = IdentityOf(m_folder / "other.msg");
    const std::optional<FileIdentity> read = IdentityOf(m_folder / "in.eml");
    ASSERT_TRUE(saved && read);
    EXPECT_FALSE(m_claims.WroteOutput(*saved));
    m_claims.RecordOutput(*saved);
    m_claims.RecordOutput(*saved);
    m_claims.ClaimInput(*read, "in.eml");
    EXPECT_TRUE(m_claims.WroteOutput(*saved));
    EXPECT_FALSE(m_claims.WroteOutput(*read));
    EXPECT_EQ(m_claims.InputOf(*saved), std::nullopt);
    // A new run or session starts with nothing.
    const RunClaims next;
    EXPECT_FALSE(next.WroteOutput(*saved));
}

}  // namespace
}  // namespace mailvane::filing
