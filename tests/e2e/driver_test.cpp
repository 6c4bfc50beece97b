// Checks the driver against a program of known content before it is trusted
// with Mailvane: every read crosses a process boundary as it does there.
#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "driver/app_process.h"
#include "driver/common_dialog_driver.h"
#include "driver/compound_file_check.h"
#include "driver/list_view_probe.h"
#include "driver/message_box_probe.h"
#include "driver/polling.h"
#include "driver/progress_bar_probe.h"
#include "driver/screenshot.h"
#include "driver/test_paths.h"
#include "driver/window_probe.h"
#include "win32/unique_handle.h"

namespace mailvane::e2e {
namespace {

constexpr int kLabel = 1005;

class DriverTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_host.Start(Join(BinFolder(), L"e2e_fixture_host.exe"), L"", BinFolder()));
        m_window = WaitForTopWindow(m_host.Id(), [](HWND w) { return TextOf(w) == L"Driver fixture"; });
        ASSERT_NE(m_window, nullptr);
    }

    std::wstring Label() const { return ItemText(m_window, kLabel); }
    bool WaitForLabel(const std::wstring& text) const {
        return PollUntil([&] { return Label() == text; });
    }

    AppProcess m_host;
    HWND m_window = nullptr;
};

TEST_F(DriverTest, ReadsEveryCellOfAListViewInAnotherProcess) {
    const ListViewProbe list(GetDlgItem(m_window, 1000));
    const std::vector<ListRow> expected = {
        {L"C:\\Mail\\Inbox", L"3", L"Inbox", L"FOLDER"},
        {L"C:\\Mail\\Po\u0161ta\\\u0412\u0445\u043e\u0434\u044f\u0449\u0438\u0435.eml", L"1", L"Po\u0161ta", L"FILES"},
        {L"", L"", L"", L""},
    };
    EXPECT_EQ(list.RowCount(), 3);
    EXPECT_EQ(list.Rows(), expected);
    EXPECT_EQ(list.Headings(), (std::vector<std::wstring>{L"Folder Path", L"Count MSG", L"Folder Name", L"Type"}));
    const int widths[] = {255, 84, 84, 84};
    for (int column = 0; column < 4; ++column) {
        EXPECT_EQ(list.ColumnWidth(column), widths[column]) << "column " << column;
    }
    EXPECT_EQ(list.ExtendedStyle() & 0x21u, 0x21u);
}

TEST_F(DriverTest, SelectsRowsAndMovesTheSelectionMark) {
    const ListViewProbe list(GetDlgItem(m_window, 1000));
    const std::vector<std::vector<int>> selections = {{}, {0}, {0, 2}, {1, 2}, {0, 1, 2}};
    for (const auto& rows : selections) {
        EXPECT_TRUE(list.Select(rows));
        EXPECT_EQ(list.SelectedRows(), rows);
    }
    for (int mark : {2, 0, -1, 1}) {
        EXPECT_TRUE(list.SetSelectionMark(mark));
        EXPECT_EQ(list.SelectionMark(), mark);
    }
}

TEST_F(DriverTest, ReadsTheRangeAndPositionOfAProgressBar) {
    EXPECT_EQ(ReadProgress(GetDlgItem(m_window, 1008)), (ProgressState{0, 8, 3}));
}

TEST_F(DriverTest, ReadsAQuestionVerbatimAndAnswersIt) {
    const struct {
        int button;
        const wchar_t* label;
    } answers[] = {{IDNO, L"answer 7"}, {IDYES, L"answer 6"}};
    for (const auto& answer : answers) {
        ASSERT_TRUE(Click(m_window, 1001));
        const MessageBoxSeen box = WaitForMessageBox(m_host.Id());
        ASSERT_TRUE(box);
        EXPECT_EQ(box.caption, L"Quorvel Mailvane       ");
        EXPECT_EQ(box.text, L"Do you want to Exit ?       ");
        EXPECT_FALSE(IsMessageBox(m_window));
        ASSERT_TRUE(Answer(box, answer.button));
        EXPECT_TRUE(WaitForLabel(answer.label)) << Label().c_str();
        EXPECT_TRUE(NoMessageBoxShown(m_host.Id()));
    }
}

TEST_F(DriverTest, ChoosesSeveralFilesInOneSelection) {
    const std::wstring folder = FreshWorkFolder(L"driver-files");
    const std::vector<std::wstring> names = {L"a.eml", L"b c.eml", L"d.eml"};
    for (const auto& name : names) {
        std::ofstream(Join(folder, name).c_str()) << "Subject: x\r\n\r\nbody\r\n";
    }
    ASSERT_TRUE(Click(m_window, 1002));
    HWND dialog = WaitForOpenFileDialog(m_host.Id());
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(ChooseFiles(dialog, folder, names));
    ASSERT_TRUE(PollUntil([&] { return Label().find(L'|') != std::wstring::npos; }));
    std::wstring label = Label();
    EXPECT_EQ(label.substr(0, label.find(L'|')), folder);
    for (const auto& name : names) {
        EXPECT_NE(label.find(L"|" + name), std::wstring::npos) << "missing name";
    }
}

TEST_F(DriverTest, CancelsTheOpenFileDialog) {
    ASSERT_TRUE(Click(m_window, 1002));
    HWND dialog = WaitForOpenFileDialog(m_host.Id());
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(CancelDialog(dialog));
    EXPECT_TRUE(WaitForLabel(L"<cancel>"));
}

TEST_F(DriverTest, ChoosesFoldersAndAVirtualItemInTheFolderPicker) {
    const std::wstring folder = FreshWorkFolder(L"driver-picker") + L"\\Out box";
    ASSERT_TRUE(MakeFolders(folder));
    ASSERT_TRUE(Click(m_window, 1007));
    HWND picker = WaitForFolderPicker(m_host.Id());
    ASSERT_NE(picker, nullptr);
    ASSERT_TRUE(ChooseFolder(picker, folder));
    EXPECT_TRUE(WaitForLabel(folder)) << Label().c_str();

    ASSERT_TRUE(Click(m_window, 1007));
    picker = WaitForFolderPicker(m_host.Id());
    ASSERT_NE(picker, nullptr);
    ASSERT_TRUE(ChooseMyComputer(picker));
    EXPECT_TRUE(WaitForLabel(L"<no path>")) << Label().c_str();

    ASSERT_TRUE(Click(m_window, 1007));
    picker = WaitForFolderPicker(m_host.Id());
    ASSERT_NE(picker, nullptr);
    ASSERT_TRUE(CancelDialog(picker));
    EXPECT_TRUE(WaitForLabel(L"<cancel>"));
}

TEST_F(DriverTest, SavesAScreenshotOfTheWholeWindow) {
    const std::wstring path = SaveScreenshot(m_window, L"driver-fixture");
    ASSERT_FALSE(path.empty());
    RECT rect{};
    GetWindowRect(m_window, &rect);
    int width = 0;
    int height = 0;
    ASSERT_TRUE(PngSize(path, &width, &height));
    EXPECT_EQ(width, rect.right - rect.left);
    EXPECT_EQ(height, rect.bottom - rect.top);
}

TEST(AppProcessTest, ReportsWhyAProgramCannotStartAndRunsOneThatCan) {
    AppProcess missing;
    const ULONGLONG before = GetTickCount64();
    EXPECT_FALSE(missing.Start(Join(BinFolder(), L"no-such-program.exe"), L"", L""));
    EXPECT_EQ(missing.StartError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_LT(GetTickCount64() - before, 200u) << "a missing program is not tried again";

    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    const std::wstring cmd = std::wstring(system) + L"\\cmd.exe";
    EXPECT_EQ(RunToEnd(cmd, L"/c exit 7"), std::optional<DWORD>(7));
    EXPECT_EQ(RunToEnd(cmd, L"/c exit 0"), std::optional<DWORD>(0));
}

TEST(WindowsPathTest, MapsUnixPathsOntoDriveZ) {
    const struct {
        const char* unix;
        const wchar_t* windows;
    } cases[] = {
        {"/", L"Z:"},
        {"/tmp", L"Z:\\tmp"},
        {"/a/b/../c/./d", L"Z:\\a\\c\\d"},
        {"/a//b/", L"Z:\\a\\b"},
        {"/p\xc5\xa1ta/x.eml", L"Z:\\p\u0161ta\\x.eml"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(WindowsPathOf(c.unix), c.windows) << c.unix;
    }
}

class CompoundFileCheckTest : public ::testing::Test {
protected:
    static std::vector<std::wstring> CorpusMessages() {
        std::vector<std::wstring> found;
        const std::wstring folder = CorpusFolder();
        WIN32_FIND_DATAW entry;
        const win32::UniqueFindHandle find(FindFirstFileW((folder + L"\\msg\\*.msg").c_str(), &entry));
        if (folder.empty() || !find) {
            return found;
        }
        do {
            found.push_back(folder + L"\\msg\\" + entry.cFileName);
        } while (FindNextFileW(find.Get(), &entry));
        return found;
    }
};

TEST_F(CompoundFileCheckTest, AcceptsEveryOutlookSavedMessage) {
    const auto messages = CorpusMessages();
    if (messages.empty()) {
        GTEST_SKIP() << "no corpus: set MAILVANE_CORPUS to the shared corpus folder";
    }
    for (const auto& path : messages) {
        EXPECT_EQ(CompoundFileDefect(path), "") << LastComponent(path);
    }
}

TEST_F(CompoundFileCheckTest, RejectsAMessageCutShortAnywhere) {
    const auto messages = CorpusMessages();
    if (messages.empty()) {
        GTEST_SKIP() << "no corpus: set MAILVANE_CORPUS to the shared corpus folder";
    }
    std::ifstream source(messages.front().c_str(), std::ios::binary);
    const std::string whole((std::istreambuf_iterator<char>(source)), std::istreambuf_iterator<char>());
    const std::wstring cut = Join(FreshWorkFolder(L"driver-cfb"), L"cut.msg");
    // Every sector boundary and a point inside each sector: a file cut
    // anywhere before its last sector is never whole.
    for (size_t length = 0; length + 512 < whole.size(); length += 256) {
        std::ofstream(cut.c_str(), std::ios::binary | std::ios::trunc)
            .write(whole.data(), static_cast<std::streamsize>(length));
        EXPECT_NE(CompoundFileDefect(cut), "") << "cut at " << length;
    }
    std::ofstream(cut.c_str(), std::ios::binary | std::ios::trunc)
        .write(whole.data(), static_cast<std::streamsize>(whole.size()));
    EXPECT_EQ(CompoundFileDefect(cut), "");
}

TEST_F(CompoundFileCheckTest, RejectsFilesThatAreNoCompoundFile) {
    const std::wstring folder = FreshWorkFolder(L"driver-cfb-other");
    const std::string contents[] = {"", "Subject: hello\r\n\r\nbody\r\n", std::string(4096, '\0')};
    for (size_t i = 0; i < std::size(contents); ++i) {
        const std::wstring path = Join(folder, std::to_wstring(i) + L".msg");
        std::ofstream(path.c_str(), std::ios::binary)
            .write(contents[i].data(), static_cast<std::streamsize>(contents[i].size()));
        EXPECT_NE(CompoundFileDefect(path), "") << "case " << i;
    }
    EXPECT_EQ(CompoundFileDefect(Join(folder, L"missing.msg")), "cannot be read");
}

}  // namespace
}  // namespace mailvane::e2e
