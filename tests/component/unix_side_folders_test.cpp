// The component's spellings of paths under Wine: folders on the Unix side,
// where Wine takes names as they are spelt, and the names a folder holds,
// compared without regard to case as Windows compares them.
#include "component/unix_side_folders.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "component/folder_names.h"
#include "tests/component/component_client.h"

namespace mailvane::component {
namespace {

using component_test::FolderEntries;
using component_test::ScratchFolder;
using component_test::WriteText;

bool UnderWine() { return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr; }

std::wstring FolderPath(const std::filesystem::path& folder) { return folder.wstring() + L"\\"; }

// A file created through the folder's Unix-side spelling is in the folder.
void ExpectCreatesIn(const std::wstring& unixSide, const std::filesystem::path& folder) {
    const HANDLE file = CreateFileW((unixSide + L"Made There.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << GetLastError();
    CloseHandle(file);
    EXPECT_EQ(FolderEntries(folder), std::vector<std::wstring>{L"Made There.txt"});
}

TEST(UnixSideFolders, SpellsAFolderInWinesUnixNamespaceOnlyUnderWine) {
    const ScratchFolder scratch;
    std::filesystem::create_directories(scratch / L"out");
    UnixSideFolders folders;
    const std::wstring unixSide = folders.Of(FolderPath(scratch / L"out"));
    if (!UnderWine()) {
        EXPECT_EQ(unixSide, L"");
        return;
    }
    ASSERT_TRUE(unixSide.starts_with(L"\\\\?\\unix\\")) << unixSide;
    EXPECT_TRUE(unixSide.ends_with(L"\\out\\")) << unixSide;
    ExpectCreatesIn(unixSide, scratch / L"out");

    // Another spelling of the same folder has the same Unix side, and asking
    // again gives the same answer.
    EXPECT_EQ(folders.Of(FolderPath(scratch / L"OUT")), unixSide);
    EXPECT_EQ(folders.Of(FolderPath(scratch / L"OUT")), unixSide);
    EXPECT_EQ(folders.Of(L""), L"");
}

// Names outside ASCII: the spelling is given only when it leads back to the
// same folder, and then a file made through it lands there.
TEST(UnixSideFolders, AFolderNamedOutsideAsciiIsTheSameFolderOrNone) {
    const ScratchFolder scratch;
    const std::filesystem::path folder = scratch / L"Donn\u00E9es \u2713 \u65E5\u672C";
    std::filesystem::create_directories(folder);
    UnixSideFolders folders;
    const std::wstring unixSide = folders.Of(FolderPath(folder));
    if (!unixSide.empty()) {
        ExpectCreatesIn(unixSide, folder);
    } else {
        EXPECT_FALSE(UnderWine() && GetACP() == CP_UTF8);
    }
}

TEST(FolderNames, HoldsTheNamesListedAndAddedInAnyCase) {
    const ScratchFolder scratch;
    WriteText(scratch / L"Report.msg", "x");
    WriteText(scratch / L"\u00C9t\u00E9.msg", "x");
    FolderNames names;
    const std::wstring folder = FolderPath(scratch.Path());
    EXPECT_TRUE(names.Holds(folder, L"Report.msg"));
    EXPECT_TRUE(names.Holds(folder, L"REPORT.MSG"));
    EXPECT_TRUE(names.Holds(folder, L"\u00E9T\u00C9.msg"));
    EXPECT_FALSE(names.Holds(folder, L"Report.msg.msg"));
    EXPECT_FALSE(names.Holds(folder, L"Other.msg"));

    // Listed once: a file made behind its back is not seen, one added is.
    WriteText(scratch / L"Behind.msg", "x");
    EXPECT_FALSE(names.Holds(folder, L"behind.msg"));
    names.Add(folder, L"Added.msg");
    EXPECT_TRUE(names.Holds(folder, L"aDDED.msg"));
}

TEST(FolderNames, AFolderThatCannotBeListedHoldsEveryName) {
    const ScratchFolder scratch;
    FolderNames names;
    const std::wstring missing = FolderPath(scratch / L"missing");
    EXPECT_TRUE(names.Holds(missing, L"any.msg"));
    std::filesystem::create_directories(scratch / L"empty");
    EXPECT_FALSE(names.Holds(FolderPath(scratch / L"empty"), L"any.msg"));
}

}  // namespace
}  // namespace mailvane::component
