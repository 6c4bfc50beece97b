#include "conversion/eml_file_search.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/fault_injection/failing_allocations.h"
#include "tests/framework/temp_tree.h"

namespace mailvane::conversion {

using framework::CString;
using framework::CStringArray;
using framework::TempTree;

// The program's form of the search; what is found, and in which order, is
// held by tests/filing.
namespace {

constexpr mailvane::filing::SearchOptions kRunsOptions{.recurse = true,
                                                       .failure = mailvane::filing::SearchFailure::StopThatFolderOnly};

std::vector<std::wstring> Relative(const CStringArray& files, const CString& root) {
    std::vector<std::wstring> names;
    for (INT_PTR i = 0; i < files.GetSize(); ++i) {
        const CString& path = files[i];
        EXPECT_EQ(path.Left(root.GetLength() + 1), root + L"\\");
        names.push_back(path.Mid(root.GetLength() + 1).GetString());
    }
    return names;
}

TEST(CollectEmlFiles, GivesFullPathsJoinedWithOneSeparator) {
    TempTree tree;
    tree.File(L"a.eml");
    tree.File(L"notes.txt");
    tree.Folder(L"old.eml");
    tree.File(L"old.eml\\inner.eml");
    CStringArray files;
    CollectEmlFiles(tree.Root(), files);
    EXPECT_EQ(Relative(files, tree.Root()), (std::vector<std::wstring>{L"a.eml", L"old.eml\\inner.eml"}));
    CStringArray fromTrailing;
    CollectEmlFiles(tree.Root() + L"\\", fromTrailing, kRunsOptions);
    EXPECT_EQ(Relative(fromTrailing, tree.Root()), Relative(files, tree.Root()));
}

TEST(CollectEmlFiles, AppendsToWhatTheListAlreadyHolds) {
    TempTree tree;
    tree.File(L"a.eml");
    CStringArray files;
    files.Add(L"earlier");
    CollectEmlFiles(tree.Root(), files, kRunsOptions);
    ASSERT_EQ(files.GetSize(), 2);
    EXPECT_EQ(files[0], CString(L"earlier"));
    EXPECT_EQ(files[1], tree.Path(L"a.eml"));
}

// A folder that cannot be read is a problem to filing's search; the
// program's rows take nothing from it, and an empty path is no folder.
TEST(CollectEmlFiles, MissingEmptyOrOrdinaryFoldersGiveNothing) {
    TempTree tree;
    tree.Folder(L"only-sub");
    tree.File(L"only-sub\\x.eml");
    for (const CString& folder : {tree.Root(), tree.Path(L"missing"), CString(L"")}) {
        for (const mailvane::filing::SearchOptions& options : {mailvane::filing::SearchOptions{}, kRunsOptions}) {
            CStringArray files;
            CollectEmlFiles(folder, files, options);
            EXPECT_EQ(files.GetSize(), 0) << folder.GetString();
        }
    }
}

TEST(CollectEmlFiles, ADriveRootIsSearchedThroughItsDoubledSeparator) {
    CString name;
    name.Format(L"C:\\mv-root-%lu.eml", GetCurrentProcessId());
    TempTree::WriteFile(name, "x");
    CStringArray files;
    CollectEmlFiles(L"C:\\", files);
    DeleteFileW(name);
    bool found = false;
    for (INT_PTR i = 0; i < files.GetSize(); ++i) found = found || files[i] == name;
    EXPECT_TRUE(found);
}

// Each allocation of the run's search fails in turn, as running out of
// memory and as an error nobody foresaw: nothing is thrown, and what is
// kept is what the search finds, in its order, less what the failing level
// had still to find.
TEST(CollectEmlFiles, TheRunsSearchThrowsNothingAndKeepsWhatItFound) {
    TempTree tree;
    tree.File(L"a.eml");
    tree.File(L"b.eml");
    tree.Folder(L"x.eml");
    tree.File(L"x.eml\\c.eml");
    tree.File(L"z.eml");
    CStringArray all;
    CollectEmlFiles(tree.Root(), all, kRunsOptions);
    ASSERT_EQ(all.GetSize(), 4);
    const std::vector<std::wstring> everything = Relative(all, tree.Root());
    for (const FailingAllocations::Fault fault :
         {FailingAllocations::Fault::OutOfMemory, FailingAllocations::Fault::Unforeseen}) {
        for (std::size_t succeeding = 0;; ++succeeding) {
            SCOPED_TRACE(succeeding);
            CStringArray files;
            bool threw = false;
            std::size_t refused = 0;
            {
                const FailingAllocations failing(succeeding, fault, 1);
                try {
                    CollectEmlFiles(tree.Root(), files, kRunsOptions);
                } catch (...) {
                    threw = true;
                }
                refused = failing.Refused();
            }
            EXPECT_FALSE(threw);
            const std::vector<std::wstring> kept = Relative(files, tree.Root());
            auto next = everything.begin();
            for (const std::wstring& name : kept) {
                next = std::find(next, everything.end(), name);
                ASSERT_NE(next, everything.end())
                    << "not found, or out of order: " << std::string(name.begin(), name.end());
                ++next;
            }
            if (refused == 0) {
                EXPECT_EQ(kept, everything);
                break;
            }
        }
    }
}

}  // namespace

}  // namespace mailvane::conversion
