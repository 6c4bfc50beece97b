#include "filing/eml_search.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

#include "filing/utf8_path.h"
#include "tests/support/scratch_folder.h"

namespace mailvane::filing {

using testing::ScratchFolder;
namespace {

constexpr SearchOptions kProgramsRun{.recurse = true, .failure = SearchFailure::StopThatFolderOnly};

std::vector<std::string> Relative(const std::vector<SearchResult>& results, const std::filesystem::path& root) {
    std::vector<std::string> names;
    for (const SearchResult& result : results) {
        EXPECT_EQ(result.problem, "") << Utf8FromPath(result.path);
        names.push_back(result.path.lexically_relative(root).generic_string());
    }
    return names;
}

class FolderSearch : public ::testing::Test {
protected:
    FolderSearch() {
        for (const char* folder : {"Inbox", "Inbox/old.eml", "Inbox/old.eml/deeper.EML", "Inbox/plain"}) {
            std::filesystem::create_directories(m_root / folder);
        }
        for (const char* file :
             {"Inbox/a.eml", "Inbox/B.EML", "Inbox/notes.txt", "Inbox/c.eml.bak", "Inbox/old.eml/a.eml",
              "Inbox/old.eml/readme.txt", "Inbox/old.eml/deeper.EML/d.eml", "Inbox/plain/p.eml"}) {
            ScratchFolder::Write(m_root / file, "Subject: x\r\n\r\nx\r\n");
        }
    }
    ScratchFolder m_root{"search"};
};

// As Windows lists a folder: "a.eml" before "B.EML", letters compared as
// upper case; a sub-folder's files come together, where the folder was met.
TEST_F(FolderSearch, EntersOnlyFoldersWhoseNamesMatch) {
    EXPECT_EQ(Relative(CollectEmlFiles(m_root / "Inbox"), m_root.Path()),
              (std::vector<std::string>{"Inbox/a.eml", "Inbox/B.EML", "Inbox/old.eml/a.eml",
                                        "Inbox/old.eml/deeper.EML/d.eml"}));
}

TEST_F(FolderSearch, WithoutRecursionSubFoldersAreSkipped) {
    EXPECT_EQ(Relative(CollectEmlFiles(m_root / "Inbox", {.recurse = false}), m_root.Path()),
              (std::vector<std::string>{"Inbox/a.eml", "Inbox/B.EML"}));
}

// The conversion run's search stops only a failing level; on good folders
// it finds what the main dialog's finds, in the same order.
TEST_F(FolderSearch, TheRunsOptionsFindTheSameOnGoodFolders) {
    EXPECT_EQ(Relative(CollectEmlFiles(m_root / "Inbox", kProgramsRun), m_root.Path()),
              Relative(CollectEmlFiles(m_root / "Inbox"), m_root.Path()));
}

TEST_F(FolderSearch, AFolderWithoutMatchingEntriesGivesNothing) {
    std::filesystem::create_directories(m_root / "only-sub/sub");
    ScratchFolder::Write(m_root / "only-sub/sub/x.eml", "x");
    EXPECT_TRUE(CollectEmlFiles(m_root / "only-sub").empty());
}

TEST_F(FolderSearch, AFolderThatCannotBeReadIsAProblemNotAnEnd) {
    for (const SearchOptions& options : {SearchOptions{}, kProgramsRun}) {
        const std::vector<SearchResult> results = CollectEmlFiles(m_root / "absent", options);
        ASSERT_EQ(results.size(), 1u);
        EXPECT_NE(results[0].problem, "");
        EXPECT_EQ(results[0].path, m_root / "absent");
    }
}

#ifndef _WIN32
// Outside Windows, a folder is listed in the order Windows gives: upper case
// decides first, a name that is the start of another comes before it, and
// names equal in upper case (which one Windows folder cannot hold) keep
// their own order.
TEST(FolderListing, ComparesNamesAsUpperCaseLikeWindows) {
    ScratchFolder root("listing");
    const std::vector<std::string> expected = {"a.eml", "ab.eml", "b.eml", "X.eml", "x.eml", "_z.eml"};
    for (auto it = expected.rbegin(); it != expected.rend(); ++it) ScratchFolder::Write(root / *it, "x");
    std::vector<std::string> listed;
    for (const SearchResult& result : CollectEmlFiles(root.Path())) {
        listed.push_back(Utf8FromPath(result.path.filename()));
    }
    EXPECT_EQ(listed, expected);
}
#endif

#ifndef _WIN32
// A link below a folder that leads back up to it: each folder is searched
// once, with eml2msg's options and the program's, and what lies beyond the
// loop's way back is still found. (A junction does the same on Windows; the
// Wine the tests run under makes neither junctions nor folder links.)
TEST_F(FolderSearch, ALinkBackUpIsNotFollowedAgain) {
    const std::filesystem::path loop = m_root / "Inbox/old.eml/deeper.EML/back.eml";
    std::filesystem::create_directory_symlink(m_root / "Inbox", loop);
    for (const SearchOptions& options : {SearchOptions{}, kProgramsRun}) {
        EXPECT_EQ(Relative(CollectEmlFiles(m_root / "Inbox", options), m_root.Path()),
                  (std::vector<std::string>{"Inbox/a.eml", "Inbox/B.EML", "Inbox/old.eml/a.eml",
                                            "Inbox/old.eml/deeper.EML/d.eml"}));
    }
    // Entered through the link itself, the loop closes one level later.
    EXPECT_EQ(
        Relative(CollectEmlFiles(loop, kProgramsRun), m_root.Path()),
        (std::vector<std::string>{"Inbox/old.eml/deeper.EML/back.eml/a.eml", "Inbox/old.eml/deeper.EML/back.eml/B.EML",
                                  "Inbox/old.eml/deeper.EML/back.eml/old.eml/a.eml",
                                  "Inbox/old.eml/deeper.EML/back.eml/old.eml/deeper.EML/d.eml"}));
}
#endif

#ifdef _WIN32
// Hidden and system files are messages like any other.
TEST_F(FolderSearch, HiddenAndSystemFilesAreFound) {
    ASSERT_TRUE(SetFileAttributesW((m_root / "Inbox/a.eml").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    EXPECT_EQ(Relative(CollectEmlFiles(m_root / "Inbox", kProgramsRun), m_root.Path()),
              (std::vector<std::string>{"Inbox/a.eml", "Inbox/B.EML", "Inbox/old.eml/a.eml",
                                        "Inbox/old.eml/deeper.EML/d.eml"}));
    SetFileAttributesW((m_root / "Inbox/a.eml").c_str(), FILE_ATTRIBUTE_NORMAL);
}

// The program's folder picker gives a drive root as "C:\": its files are
// found and named with one separator.
TEST(DriveRootSearch, ADriveRootIsSearched) {
    const std::filesystem::path name = L"C:\\mv-root-" + std::to_wstring(GetCurrentProcessId()) + L".eml";
    ScratchFolder::Write(name, "x");
    const std::vector<SearchResult> results = CollectEmlFiles(L"C:\\", kProgramsRun);
    std::filesystem::remove(name);
    EXPECT_TRUE(std::any_of(results.begin(), results.end(),
                            [&](const SearchResult& found) { return found.path.native() == name.native(); }));
}
#endif

}  // namespace
}  // namespace mailvane::filing
