#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "conversion/run_state.h"
#include "mainwindow/mailvane_dlg.h"
#include "resource.h"
#include "tests/fault_injection/failing_allocations.h"
#include "tests/framework/dialog_watcher.h"

namespace mailvane::mainwindow {

using conversion::DestinationFolder;
using framework::CFileDialog;
using framework::CListCtrl;
using framework::DialogWatcher;

namespace {

std::wstring Text(HWND window) {
    wchar_t buffer[512] = {};
    GetWindowTextW(window, buffer, 512);
    return buffer;
}

class MainDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES};
        InitCommonControlsEx(&controls);
        ASSERT_TRUE(m_dialog.Create());
    }
    void TearDown() override { DestroyWindow(m_dialog.m_hWnd); }

    void Click(int id) { SendMessageW(m_dialog.m_hWnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }
    std::wstring Label() { return Text(GetDlgItem(m_dialog.m_hWnd, IDC_ITEM_COUNT)); }
    std::vector<std::wstring> Row(int row) {
        std::vector<std::wstring> texts;
        for (int column = 0; column < 4; ++column) texts.push_back(SourceList().GetItemText(row, column).GetString());
        return texts;
    }
    // The source list as the window holds it.
    CListCtrl SourceList() {
        CListCtrl list;
        list.Attach(GetDlgItem(m_dialog.m_hWnd, IDC_SOURCE_LIST));
        return list;
    }
    int Rows() { return SourceList().GetItemCount(); }
    void AddFolderRow(LPCWSTR path, LPCWSTR count, LPCWSTR name) {
        const int row = SourceList().InsertItem(LVIF_TEXT, 0, path, 0, 0, 0, 0);
        SourceList().SetItemText(row, 1, count);
        SourceList().SetItemText(row, 2, name);
        SourceList().SetItemText(row, 3, L"FOLDER");
    }

    CMailvaneDlg m_dialog;
};

TEST_F(MainDialogTest, StartsWithTheFourColumnsGridLinesAndWholeRowSelection) {
    const wchar_t* headings[] = {L"Folder Path", L"Count MSG", L"Folder Name", L"Type"};
    const int widths[] = {255, 84, 84, 84};
    for (int column = 0; column < 4; ++column) {
        wchar_t heading[64] = {};
        LVCOLUMNW info{};
        info.mask = LVCF_TEXT | LVCF_FMT;
        info.pszText = heading;
        info.cchTextMax = 64;
        ASSERT_TRUE(SourceList().GetColumn(column, &info));
        EXPECT_STREQ(heading, headings[column]);
        EXPECT_EQ(info.fmt & LVCFMT_JUSTIFYMASK, LVCFMT_LEFT);
        EXPECT_EQ(SourceList().GetColumnWidth(column), widths[column]);
    }
    EXPECT_EQ(SourceList().GetExtendedStyle() & 0x21u, 0x21u);
    const DWORD style = SourceList().GetStyle();
    EXPECT_EQ(style & LVS_OWNERDRAWFIXED, 0u);
    EXPECT_EQ(style & LVS_TYPEMASK, static_cast<DWORD>(LVS_REPORT));
    EXPECT_NE(style & LVS_SHOWSELALWAYS, 0u);
    EXPECT_EQ(Label(), L"....");
    EXPECT_NE(m_dialog.SendMessage(WM_GETICON, ICON_BIG, 0), 0);
    EXPECT_NE(m_dialog.SendMessage(WM_GETICON, ICON_SMALL, 0), 0);
    EXPECT_EQ(m_dialog.SendMessage(WM_QUERYDRAGICON), m_dialog.SendMessage(WM_GETICON, ICON_BIG, 0));
    EXPECT_EQ(Text(m_dialog.m_hWnd), L"Mailvane");
    EXPECT_EQ(GetFocus(), GetDlgItem(m_dialog.m_hWnd, IDC_CONVERT));
}

TEST_F(MainDialogTest, TheSystemMenuEndsWithASeparatorAndTheAboutItem) {
    const HMENU menu = GetSystemMenu(m_dialog.m_hWnd, FALSE);
    const int count = GetMenuItemCount(menu);
    ASSERT_GE(count, 2);
    EXPECT_EQ(GetMenuItemID(menu, count - 1), static_cast<UINT>(IDM_ABOUTBOX));
    wchar_t text[64] = {};
    GetMenuStringW(menu, count - 1, text, 64, MF_BYPOSITION);
    EXPECT_STREQ(text, L"&About Mailvane...");
    MENUITEMINFOW separator{};
    separator.cbSize = sizeof(separator);
    separator.fMask = MIIM_FTYPE;
    GetMenuItemInfoW(menu, count - 2, TRUE, &separator);
    EXPECT_NE(separator.fType & MFT_SEPARATOR, 0u);
}

TEST_F(MainDialogTest, AddFileRowPutsNewFilesOnTopAndSkipsExactDuplicates) {
    m_dialog.AddFileRow(L"C:\\Mail\\a.eml", L"C:\\Mail");
    m_dialog.AddFileRow(L"C:\\Mail\\b.eml", L"C:\\Mail");
    m_dialog.AddFileRow(L"C:\\Mail\\c.eml", L"C:\\Mail");
    ASSERT_EQ(Rows(), 3);
    EXPECT_EQ(Row(0), (std::vector<std::wstring>{L"C:\\Mail\\c.eml", L"1", L"Mail", L"FILES"}));
    EXPECT_EQ(Row(2), (std::vector<std::wstring>{L"C:\\Mail\\a.eml", L"1", L"Mail", L"FILES"}));

    m_dialog.AddFileRow(L"C:\\Mail\\a.eml", L"C:\\Mail");
    EXPECT_EQ(Rows(), 3);
    m_dialog.AddFileRow(L"C:\\Mail\\A.eml", L"C:\\Mail");
    ASSERT_EQ(Rows(), 4);
    EXPECT_EQ(Row(0)[0], L"C:\\Mail\\A.eml");

    // A folder row of the same path does not hide a file from the test either.
    AddFolderRow(L"C:\\Mail\\d.eml", L"2", L"Mail");
    m_dialog.AddFileRow(L"C:\\Mail\\d.eml", L"C:\\Mail");
    EXPECT_EQ(Rows(), 5);

    m_dialog.AddFileRow(L"C:\\root.eml", L"C:\\");
    m_dialog.AddFileRow(L"bare.eml", L"");
    EXPECT_EQ(Row(1), (std::vector<std::wstring>{L"C:\\root.eml", L"1", L"", L"FILES"}));
    EXPECT_EQ(Row(0), (std::vector<std::wstring>{L"bare.eml", L"1", L"", L"FILES"}));
}

// A selection of two files from C:\Mail\Inbox, as the open-file dialog
// leaves it.
class ChosenFiles {
public:
    ChosenFiles() : m_dialog(TRUE, L"eml", nullptr, OFN_ALLOWMULTISELECT) {
        const std::wstring layout(L"C:\\Mail\\Inbox\0a.eml\0b.eml\0", 26);
        std::copy(layout.begin(), layout.end(), m_buffer.begin());
        m_dialog.m_ofn.lpstrFile = m_buffer.data();
        m_dialog.m_ofn.nMaxFile = static_cast<DWORD>(m_buffer.size());
    }
    const CFileDialog& Dialog() const { return m_dialog; }

private:
    std::vector<wchar_t> m_buffer = std::vector<wchar_t>(64, L'\0');
    CFileDialog m_dialog;
};

// While memory stays exhausted no file can be taken from the selection, and
// trying the same one again cannot help: the walk ends at the first failure.
TEST_F(MainDialogTest, TheWalkOfChosenFilesEndsWhenMemoryStaysExhausted) {
    const ChosenFiles chosen;
    std::size_t refused = 0;
    {
        // Bounded, so that a walk that kept retrying would still come back.
        const FailingAllocations failing(0, FailingAllocations::Fault::OutOfMemory, 1000);
        m_dialog.AddSelectedFiles(chosen.Dialog());
        refused = failing.Refused();
    }
    EXPECT_EQ(refused, 1u);
    EXPECT_EQ(Rows(), 0);
    m_dialog.AddSelectedFiles(chosen.Dialog());
    EXPECT_EQ(Rows(), 2);
}

// One allocation fails, at each point of the walk in turn: the walk always
// ends, and whatever it added is a whole row.
TEST_F(MainDialogTest, OneFailedAllocationCostsAtMostTheFileItHappenedOn) {
    const ChosenFiles chosen;
    for (std::size_t succeeding = 0;; ++succeeding) {
        SCOPED_TRACE(succeeding);
        Click(IDC_CLEAR_LIST);
        std::size_t refused = 0;
        {
            const FailingAllocations failing(succeeding, FailingAllocations::Fault::OutOfMemory, 1);
            m_dialog.AddSelectedFiles(chosen.Dialog());
            refused = failing.Refused();
        }
        for (int row = 0; row < Rows(); ++row) {
            const auto texts = Row(row);
            EXPECT_TRUE(texts[0] == L"C:\\Mail\\Inbox\\a.eml" || texts[0] == L"C:\\Mail\\Inbox\\b.eml") << texts[0];
            EXPECT_EQ(texts[1], L"1");
            EXPECT_EQ(texts[2], L"Inbox");
            EXPECT_EQ(texts[3], L"FILES");
        }
        if (refused == 0) {
            EXPECT_EQ(Rows(), 2);
            break;
        }
    }
}

TEST_F(MainDialogTest, ClearListAndRemoveFileRefreshTheLabelWithFolders) {
    m_dialog.AddFileRow(L"C:\\Mail\\a.eml", L"C:\\Mail");
    m_dialog.AddFileRow(L"C:\\Mail\\b.eml", L"C:\\Mail");
    m_dialog.AddFileRow(L"C:\\Mail\\c.eml", L"C:\\Mail");

    SourceList().SetSelectionMark(1);
    Click(IDC_REMOVE_FILE);
    ASSERT_EQ(Rows(), 2);
    EXPECT_EQ(Row(0)[0], L"C:\\Mail\\c.eml");
    EXPECT_EQ(Row(1)[0], L"C:\\Mail\\a.eml");
    EXPECT_EQ(Label(), L"2  Folders");

    SourceList().SetSelectionMark(-1);
    Click(IDC_REMOVE_FILE);
    EXPECT_EQ(Rows(), 2);
    EXPECT_EQ(Label(), L"2  Folders");

    Click(IDC_CLEAR_LIST);
    EXPECT_EQ(Rows(), 0);
    EXPECT_EQ(Label(), L"0  Folders");
    Click(IDC_CLEAR_LIST);
    EXPECT_EQ(Label(), L"0  Folders");
}

TEST_F(MainDialogTest, ConvertChecksTheListFirstAndThenTheDestination) {
    DestinationFolder.Set(L"");
    {
        DialogWatcher watcher(IDOK);
        watcher.Ignore(m_dialog.m_hWnd);
        Click(IDC_CONVERT);
        const auto seen = watcher.Taken();
        ASSERT_EQ(seen.size(), 1u);
        EXPECT_EQ(seen[0].text, L"Please Add *.EML File(s) or Folder(s). ");
        EXPECT_EQ(seen[0].caption, L"mainwindow_tests");
    }
    m_dialog.AddFileRow(L"C:\\Mail\\a.eml", L"C:\\Mail");
    {
        DialogWatcher watcher(IDOK);
        watcher.Ignore(m_dialog.m_hWnd);
        Click(IDC_CONVERT);
        const auto seen = watcher.Taken();
        ASSERT_EQ(seen.size(), 1u);
        EXPECT_EQ(seen[0].text, L"Please Select Saving Location. ");
    }
}

TEST_F(MainDialogTest, ExitAndCloseAskWithTheirOwnCaptionsAndStayOnNo) {
    DialogWatcher watcher(IDNO);
    watcher.Ignore(m_dialog.m_hWnd);
    Click(IDC_EXIT);
    SendMessageW(m_dialog.m_hWnd, WM_CLOSE, 0, 0);
    const auto seen = watcher.Taken();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].text, L"Do you want to Exit ?       ");
    EXPECT_EQ(seen[0].caption, L"Quorvel Mailvane       ");
    EXPECT_EQ(seen[0].owner, m_dialog.m_hWnd);
    EXPECT_EQ(seen[1].text, L"Do you want to Exit ?       ");
    EXPECT_EQ(seen[1].caption, L"Quorvel Mailvane");
    EXPECT_TRUE(IsWindow(m_dialog.m_hWnd));
}

TEST_F(MainDialogTest, AboutOpensFromTheSystemMenuTheLabelAndTheHiddenButton) {
    DialogWatcher watcher(IDOK);
    watcher.Ignore(m_dialog.m_hWnd);
    SendMessageW(m_dialog.m_hWnd, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
    SendMessageW(m_dialog.m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_ABOUT_LABEL, STN_CLICKED), 0);
    Click(IDC_ABOUT_BUTTON);
    const auto seen = watcher.Taken();
    ASSERT_EQ(seen.size(), 3u);
    for (const auto& dialog : seen) EXPECT_EQ(dialog.caption, L"About Mailvane");
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(m_dialog.m_hWnd, IDC_ABOUT_BUTTON)));
}

TEST_F(MainDialogTest, TheTemplatePutsEveryControlInItsPlaceWithItsText) {
    const struct {
        int id;
        const wchar_t* text;
    } controls[] = {
        {IDC_ADD_FOLDER, L"Add EML Folder"},
        {IDC_ADD_FILE, L"Add EML File"},
        {IDC_CLEAR_LIST, L"Clear List"},
        {IDC_REMOVE_FILE, L"Remove File"},
        {IDC_BROWSE, L"Browse"},
        {IDC_CONVERT, L"Convert EML  to MSG"},
        {IDC_EXIT, L"Exit"},
        {IDC_ABOUT_BUTTON, L"About"},
        {IDC_ABOUT_LABEL, L"About.. |"},
        {IDC_HELP_LABEL, L"Software Help  |"},
        {IDC_ITEM_COUNT, L"...."},
        {IDC_DESTINATION, L""},
    };
    for (const auto& c : controls) {
        const HWND control = GetDlgItem(m_dialog.m_hWnd, c.id);
        ASSERT_NE(control, nullptr) << c.id;
        EXPECT_EQ(Text(control), c.text) << c.id;
    }
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(m_dialog.m_hWnd, IDC_DESTINATION)));
    EXPECT_EQ(m_dialog.SendMessage(DM_GETDEFID) & 0xFFFF, IDC_CONVERT);
    const LONG_PTR labelStyle = GetWindowLongPtrW(GetDlgItem(m_dialog.m_hWnd, IDC_ABOUT_LABEL), GWL_STYLE);
    EXPECT_NE(labelStyle & SS_NOTIFY, 0);
}

}  // namespace

}  // namespace mailvane::mainwindow
