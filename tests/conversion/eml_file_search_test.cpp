#include "conversion/eml_file_search.h"

#include "tests/framework/temp_tree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

namespace {

std::vector<std::wstring> Relative(const CStringArray& files, const CString& root) {
    std::vector<std::wstring> names;
    for (INT_PTR i = 0; i < files.GetSize(); ++i) {
        const CString& path = files[i];
        EXPECT_EQ(path.Left(root.GetLength() + 1), root + L"\\");
        names.push_back(path.Mid(root.GetLength() + 1).GetString());
    }
    return names;
}

TEST(CollectEmlFiles, FindsEmlFilesAndEntersOnlyFoldersNamedLikeThem) {
    TempTree tree;
    tree.File(L"a.eml");
    tree.File(L"B.EML");
    tree.File(L"notes.txt");
    tree.File(L"c.eml.bak");
    tree.Folder(L"old.eml");
    tree.File(L"old.eml\\inner.eml");
    tree.File(L"old.eml\\readme.txt");
    tree.Folder(L"old.eml\\deeper.eml");
    tree.File(L"old.eml\\deeper.eml\\deep.eml");
    tree.Folder(L"old");
    tree.File(L"old\\hidden.eml");

    CStringArray files;
    CollectEmlFiles(tree.Root(), files, TRUE);
    std::vector<std::wstring> names = Relative(files, tree.Root());
    std::vector<std::wstring> sorted = names;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted,
              (std::vector<std::wstring>{L"B.EML", L"a.eml", L"old.eml\\deeper.eml\\deep.eml", L"old.eml\\inner.eml"}));

    // Depth first: a sub-folder's files come together, where the folder was met.
    const auto first =
        std::find_if(names.begin(), names.end(), [](const std::wstring& n) { return n.rfind(L"old.eml\\", 0) == 0; });
    ASSERT_NE(first, names.end());
    EXPECT_TRUE(std::all_of(first, first + 2, [](const std::wstring& n) { return n.rfind(L"old.eml\\", 0) == 0; }));
}

TEST(CollectEmlFiles, AppendsToWhatTheListAlreadyHolds) {
    TempTree tree;
    tree.File(L"a.eml");
    CStringArray files;
    files.Add(L"earlier");
    CollectEmlFiles(tree.Root(), files, TRUE);
    ASSERT_EQ(files.GetSize(), 2);
    EXPECT_EQ(files[0], CString(L"earlier"));
    EXPECT_EQ(files[1], tree.Path(L"a.eml"));
}

TEST(CollectEmlFiles, WithoutRecursionSubFoldersAreSkipped) {
    TempTree tree;
    tree.File(L"a.eml");
    tree.Folder(L"old.eml");
    tree.File(L"old.eml\\inner.eml");
    CStringArray files;
    CollectEmlFiles(tree.Root(), files, FALSE);
    EXPECT_EQ(Relative(files, tree.Root()), (std::vector<std::wstring>{L"a.eml"}));
}

TEST(CollectEmlFiles, MissingEmptyOrOrdinaryFoldersGiveNothing) {
    TempTree tree;
    tree.Folder(L"only-sub");
    tree.File(L"only-sub\\x.eml");
    for (const CString& folder : {tree.Root(), tree.Path(L"missing"), CString(L"")}) {
        CStringArray files;
        CollectEmlFiles(folder, files, TRUE);
        EXPECT_EQ(files.GetSize(), 0) << folder.GetString();
    }
}

TEST(CollectEmlFiles, ARunsSearchBehavesTheSameOnGoodFolders) {
    TempTree tree;
    tree.File(L"a.eml");
    tree.Folder(L"x.eml");
    tree.File(L"x.eml\\b.eml");
    CStringArray plain;
    CStringArray catching;
    CollectEmlFiles(tree.Root(), plain, TRUE);
    CollectEmlFiles(tree.Root(), catching, TRUE, SearchErrors::StopThatFolderOnly);
    ASSERT_EQ(plain.GetSize(), 2);
    ASSERT_EQ(catching.GetSize(), 2);
    for (INT_PTR i = 0; i < plain.GetSize(); ++i) EXPECT_EQ(plain[i], catching[i]);
}

}  // namespace

namespace {

TEST(CollectEmlFiles, ADriveRootIsSearchedThroughItsDoubledSeparator) {
    CString name;
    name.Format(L"C:\\mv-root-%lu.eml", GetCurrentProcessId());
    TempTree::WriteFile(name, "x");
    CStringArray files;
    CollectEmlFiles(L"C:\\", files, TRUE);
    DeleteFileW(name);
    bool found = false;
    for (INT_PTR i = 0; i < files.GetSize(); ++i) found = found || files[i] == name;
    EXPECT_TRUE(found);
}

}  // namespace
