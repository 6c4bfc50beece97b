#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "filing/long_path_win32.h"

namespace mailvane::filing {
namespace {

TEST(LongPath, ShareKeepsItsServerAndShareAsWritten) {
    EXPECT_EQ(LongPathOf(L"\\\\server\\share"), L"\\\\?\\UNC\\server\\share");
    EXPECT_EQ(LongPathOf(L"\\\\server\\share\\"), L"\\\\?\\UNC\\server\\share");
    EXPECT_EQ(LongPathOf(L"//server/share/Mail/a.eml"), L"\\\\?\\UNC\\server\\share\\Mail\\a.eml");
    EXPECT_EQ(LongPathOf(L"\\\\server\\share\\Mail\\.\\old\\..\\a.eml"), L"\\\\?\\UNC\\server\\share\\Mail\\a.eml");
    // ".." never climbs out of the share into its server.
    EXPECT_EQ(LongPathOf(L"\\\\server\\share\\..\\other"), L"\\\\?\\UNC\\server\\share\\other");
}

TEST(LongPath, DrivePathsAreMadePlainAndMarked) {
    EXPECT_EQ(LongPathOf(L"C:\\Mail\\.\\Inbox\\..\\a.eml"), L"\\\\?\\C:\\Mail\\a.eml");
    EXPECT_EQ(LongPathOf(L"C:/Mail/Inbox/"), L"\\\\?\\C:\\Mail\\Inbox");
    EXPECT_EQ(LongPathOf(L"C:\\"), L"\\\\?\\C:\\");
    // Already in a form the calls take as written.
    EXPECT_EQ(LongPathOf(L"\\\\?\\C:\\Mail\\a.eml"), L"\\\\?\\C:\\Mail\\a.eml");
    EXPECT_EQ(LongPathOf(L"\\\\.\\pipe\\x"), L"\\\\.\\pipe\\x");
}

TEST(LongPath, DeviceNamesOnlyAsAWholePath) {
    EXPECT_EQ(LongPathOf(L"NUL"), L"\\\\.\\NUL");
    EXPECT_EQ(LongPathOf(L"C:\\out\\nul.msg"), L"\\\\?\\C:\\out\\nul.msg");
}

TEST(LongPath, RelativePathsStartFromTheCurrentFolder) {
    wchar_t current[MAX_PATH];
    ASSERT_NE(GetCurrentDirectoryW(MAX_PATH, current), 0u);
    std::wstring folder(current);
    if (folder.size() > 3 && folder.back() == L'\\') folder.pop_back();
    const std::wstring expected =
        (folder.rfind(L"\\\\", 0) == 0 ? L"\\\\?\\UNC\\" + folder.substr(2) : L"\\\\?\\" + folder) + L"\\a.eml";
    EXPECT_EQ(LongPathOf(L"a.eml"), expected);
    EXPECT_EQ(LongPathOf(L"sub\\..\\a.eml"), expected);
}

}  // namespace
}  // namespace mailvane::filing
