// The main window and its source list, driven as a user does: the real
// open-file dialog and folder picker, the real message box and About box.
#include <windows.h>

#include <algorithm>
#include <fstream>

#include "driver/common_dialog_driver.h"
#include "driver/polling.h"
#include "driver/screenshot.h"
#include "driver/window_probe.h"
#include "scenario.h"

namespace mailvane::e2e {
namespace {

constexpr wchar_t kNotFoundText[] =
    L"*.EML Email Not Found On Selected Folder.. Select The Folder(s), That Containing EML Files.";

void WriteMessage(const std::wstring& path) {
    std::ofstream(path.c_str(), std::ios::binary) << "Subject: list row\r\n\r\nbody\r\n";
}

std::vector<ListRow> Sorted(std::vector<ListRow> rows) {
    std::sort(rows.begin(), rows.end());
    return rows;
}

class MainWindowTest : public ScenarioTest {};

TEST_F(MainWindowTest, StartsWithFourEmptyColumnsAndTheDottedLabel) {
    const ListViewProbe list = m_app.List();
    EXPECT_EQ(list.RowCount(), 0);
    EXPECT_EQ(list.Headings(), (std::vector<std::wstring>{L"Folder Path", L"Count MSG", L"Folder Name", L"Type"}));
    const int widths[] = {255, 84, 84, 84};
    for (int column = 0; column < 4; ++column) {
        EXPECT_EQ(list.ColumnWidth(column), widths[column]) << "column " << column;
    }
    EXPECT_EQ(list.ExtendedStyle() & 0x21u, 0x21u) << "grid lines and whole-row selection";
    EXPECT_EQ(m_app.ItemCountText(), L"....");
    EXPECT_EQ(m_app.DestinationText(), L"");
    EXPECT_EQ(ItemText(m_app.Main(), ids::kConvert), L"Convert EML  to MSG");
}

TEST_F(MainWindowTest, BuildsTheSourceListRowByRow) {
    const std::wstring root = FreshWorkFolder(L"main-window");
    const std::wstring mail = Join(root, L"Mail");
    const std::wstring inbox = Join(root, L"Inbox");
    const std::wstring empty = Join(root, L"Empty");
    for (const auto& folder : {mail, inbox, Join(inbox, L"old.eml"), Join(inbox, L"plain"), Join(empty, L"plain")}) {
        ASSERT_TRUE(MakeFolders(folder));
    }
    for (const auto& name : {L"a.eml", L"b.eml", L"c d.eml"}) {
        WriteMessage(Join(mail, name));
    }
    // Counted: two files of the folder and one inside the sub-folder named
    // *.eml; the ordinary sub-folder and the text file are not.
    for (const auto& path : {Join(inbox, L"x.eml"), Join(inbox, L"y.eml"), Join(Join(inbox, L"old.eml"), L"z.eml"),
                             Join(Join(inbox, L"plain"), L"w.eml"), Join(empty, L"plain\\v.eml")}) {
        WriteMessage(path);
    }
    std::ofstream(Join(inbox, L"notes.txt").c_str()) << "not a message";

    ASSERT_TRUE(m_app.AddFiles(mail, {L"a.eml", L"b.eml", L"c d.eml"}));
    ASSERT_TRUE(m_app.WaitForItemCount(L"3  files"));
    const std::vector<ListRow> fileRows = {
        {Join(mail, L"a.eml"), L"1", L"Mail", L"FILES"},
        {Join(mail, L"b.eml"), L"1", L"Mail", L"FILES"},
        {Join(mail, L"c d.eml"), L"1", L"Mail", L"FILES"},
    };
    EXPECT_EQ(Sorted(m_app.Rows()), fileRows);

    ASSERT_TRUE(m_app.AddFolder(inbox));
    ASSERT_TRUE(m_app.WaitForItemCount(L"4  files"));
    const ListRow folderRow = {inbox, L"3", L"Inbox", L"FOLDER"};
    auto rows = m_app.Rows();
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows.front(), folderRow) << "a new row stands at the top";
    EXPECT_EQ(Sorted({rows.begin() + 1, rows.end()}), fileRows);

    // The same file again: no new row, the label refreshed all the same.
    ASSERT_TRUE(m_app.AddFiles(mail, {L"a.eml"}));
    EXPECT_TRUE(m_app.WaitForItemCount(L"4  files"));
    EXPECT_EQ(m_app.List().RowCount(), 4);
    EXPECT_FALSE(SaveScreenshot(m_app.Main(), L"main-window-rows").empty());

    // Remove File takes the row at the selection mark, not the selection.
    const ListViewProbe list = m_app.List();
    rows = m_app.Rows();
    ASSERT_TRUE(list.Select({1, 2, 3}));
    ASSERT_TRUE(list.SetSelectionMark(2));
    ASSERT_TRUE(m_app.Press(ids::kRemoveFile));
    ASSERT_TRUE(m_app.WaitForItemCount(L"3  Folders"));
    std::vector<ListRow> expected = rows;
    expected.erase(expected.begin() + 2);
    EXPECT_EQ(m_app.Rows(), expected);

    // With no selection mark nothing is removed; the label still refreshes.
    ASSERT_TRUE(list.Select({}));
    ASSERT_TRUE(list.SetSelectionMark(-1));
    ASSERT_EQ(expected[1][3], L"FILES");
    ASSERT_TRUE(m_app.AddFiles(mail, {LastComponent(expected[1][0])}));
    ASSERT_TRUE(m_app.WaitForItemCount(L"3  files"));
    ASSERT_TRUE(m_app.Press(ids::kRemoveFile));
    ASSERT_TRUE(m_app.WaitForItemCount(L"3  Folders"));
    EXPECT_EQ(m_app.Rows(), expected);

    // A folder with no message of its own: the not-found message, no row.
    ASSERT_TRUE(m_app.AddFolder(empty));
    const MessageBoxSeen notFound = WaitForMessageBox(m_app.Id());
    ASSERT_TRUE(notFound);
    EXPECT_EQ(notFound.caption, L"Mailvane");
    EXPECT_EQ(notFound.text, kNotFoundText);
    EXPECT_FALSE(SaveScreenshot(notFound.window, L"message-not-found").empty());
    ASSERT_TRUE(Answer(notFound, IDOK));
    EXPECT_TRUE(m_app.WaitForItemCount(L"3  files"));
    EXPECT_EQ(m_app.Rows(), expected);

    ASSERT_TRUE(m_app.Press(ids::kClearList));
    ASSERT_TRUE(m_app.WaitForItemCount(L"0  Folders"));
    EXPECT_EQ(m_app.List().RowCount(), 0);
}

TEST_F(MainWindowTest, CancellingTheFileDialogStillRefreshesTheLabel) {
    ASSERT_TRUE(m_app.Press(ids::kClearList));
    ASSERT_TRUE(m_app.WaitForItemCount(L"0  Folders"));
    ASSERT_TRUE(m_app.Press(ids::kAddFile));
    HWND dialog = WaitForOpenFileDialog(m_app.Id());
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(CancelDialog(dialog));
    EXPECT_TRUE(m_app.WaitForItemCount(L"0  files"));
}

TEST_F(MainWindowTest, OpensAboutFromTheSystemMenuAndFromTheLabel) {
    ASSERT_TRUE(PostMessageW(m_app.Main(), WM_SYSCOMMAND, 0x0010, 0));
    HWND about = m_app.WaitForAbout();
    ASSERT_NE(about, nullptr);
    EXPECT_FALSE(m_app.MainEnabled()) << "About is modal";
    EXPECT_FALSE(SaveScreenshot(about, L"about").empty());
    ASSERT_TRUE(Click(about, IDOK));
    ASSERT_TRUE(WaitUntilGone(about));
    ASSERT_TRUE(PollUntil([&] { return m_app.MainEnabled(); }));

    HWND label = GetDlgItem(m_app.Main(), ids::kAboutLabel);
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(TextOf(label), L"About.. |");
    ASSERT_TRUE(PostMessageW(m_app.Main(), WM_COMMAND, MAKEWPARAM(ids::kAboutLabel, STN_CLICKED),
                             reinterpret_cast<LPARAM>(label)));
    about = m_app.WaitForAbout();
    ASSERT_NE(about, nullptr);
    ASSERT_TRUE(Click(about, IDOK));
    ASSERT_TRUE(WaitUntilGone(about));
}

TEST_F(MainWindowTest, TheHelpLabelOpensTheHelpFile) {
    HWND label = GetDlgItem(m_app.Main(), ids::kHelpLabel);
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(TextOf(label), L"Software Help  |");
    ASSERT_TRUE(PostMessageW(m_app.Main(), WM_COMMAND, MAKEWPARAM(ids::kHelpLabel, STN_CLICKED),
                             reinterpret_cast<LPARAM>(label)));
    // The help viewer is a process of its own; its window bears the help
    // file's title.
    HWND help = nullptr;
    ASSERT_TRUE(PollUntil([&] {
        help = FindWindowW(nullptr, L"Mailvane Help");
        return help != nullptr && IsWindowVisible(help);
    })) << "no help window";
    EXPECT_FALSE(SaveScreenshot(help, L"help").empty());
    PostMessageW(help, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitUntilGone(help));
}

}  // namespace
}  // namespace mailvane::e2e
