#include "framework/file_find.h"

#include "framework/cstring_array.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

namespace {

// A fresh folder under the temporary folder, removed with its content.
class TempTree {
public:
    TempTree() {
        wchar_t base[MAX_PATH];
        GetTempPathW(MAX_PATH, base);
        m_root.Format(L"%sfind-%lu-%lu", base, GetCurrentProcessId(), ++s_counter);
        CreateDirectoryW(m_root, nullptr);
    }
    ~TempTree() { Remove(m_root); }
    const CString& Root() const { return m_root; }
    CString File(LPCWSTR relative) const {
        const CString path = m_root + L"\\" + relative;
        HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        CloseHandle(file);
        return path;
    }
    CString Folder(LPCWSTR relative) const {
        const CString path = m_root + L"\\" + relative;
        CreateDirectoryW(path, nullptr);
        return path;
    }

private:
    static void Remove(const CString& folder) {
        WIN32_FIND_DATAW data;
        HANDLE find = FindFirstFileW(folder + L"\\*", &data);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                const std::wstring name = data.cFileName;
                if (name == L"." || name == L"..") continue;
                const CString path = folder + L"\\" + data.cFileName;
                if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                    Remove(path);
                } else {
                    DeleteFileW(path);
                }
            } while (FindNextFileW(find, &data));
            FindClose(find);
        }
        RemoveDirectoryW(folder);
    }
    static inline unsigned long s_counter = 0;
    CString m_root;
};

TEST(CFileFind, WalksEveryMatchIncludingTheOneAfterTheLastAdvance) {
    TempTree tree;
    tree.File(L"a.eml");
    tree.File(L"b.eml");
    tree.File(L"c.txt");
    tree.Folder(L"d.eml");
    CFileFind finder;
    ASSERT_TRUE(finder.FindFile(tree.Root() + L"\\*.eml"));
    std::set<std::wstring> seen;
    int directories = 0;
    BOOL more = TRUE;
    while (more) {
        more = finder.FindNextFile();
        if (finder.IsDots()) continue;
        if (finder.IsDirectory()) ++directories;
        seen.insert(finder.GetFilePath().GetString());
        EXPECT_EQ(finder.GetFilePath(), tree.Root() + L"\\" + finder.GetFileName());
    }
    EXPECT_EQ(directories, 1);
    const std::set<std::wstring> expected = {(tree.Root() + L"\\a.eml").GetString(),
                                             (tree.Root() + L"\\b.eml").GetString(),
                                             (tree.Root() + L"\\d.eml").GetString()};
    EXPECT_EQ(seen, expected);
}

TEST(CFileFind, ReportsDotsAndNothingForMissingFolders) {
    TempTree tree;
    CFileFind finder;
    EXPECT_FALSE(finder.FindFile(tree.Root() + L"\\missing\\*.eml"));
    EXPECT_FALSE(finder.FindFile(tree.Root() + L"\\*.eml"));
    ASSERT_TRUE(finder.FindFile(tree.Root() + L"\\*"));
    int dots = 0;
    BOOL more = TRUE;
    while (more) {
        more = finder.FindNextFile();
        if (finder.IsDots()) ++dots;
    }
    EXPECT_EQ(dots, 2);
}

TEST(CFileFind, JoinsDriveRootsWithoutADoubledSeparator) {
    CFileFind finder;
    ASSERT_TRUE(finder.FindFile(L"C:\\\\windows"));
    finder.FindNextFile();
    EXPECT_EQ(finder.GetRoot(), CString(L"C:\\"));
    EXPECT_EQ(finder.GetFilePath().CompareNoCase(L"C:\\windows"), 0);
}

}  // namespace
