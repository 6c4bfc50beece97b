#include "mainwindow/mailvane_dlg.h"

#include <windows.h>
#include <shellapi.h>

#include <vector>

#include "conversion/eml_file_search.h"
#include "conversion/progress_dialog.h"
#include "conversion/run_state.h"
#include "conversion/source_row.h"
#include "framework/file_dialog.h"
#include "framework/message_box.h"
#include "framework/message_map.h"
#include "framework/paint_dc.h"
#include "mainwindow/about_dlg.h"
#include "mainwindow/folder_name.h"
#include "mainwindow/folder_picker.h"
#include "mainwindow/process_termination.h"
#include "resource.h"

namespace mailvane::mainwindow {

using conversion::CollectEmlFiles;
using conversion::ConversionRuns;
using conversion::CSave;
using conversion::DestinationFolder;
using conversion::kCountColumn;
using conversion::kFilesKind;
using conversion::kFolderKind;
using conversion::kFolderNameColumn;
using conversion::kFolderPathColumn;
using conversion::kTypeColumn;
using framework::AfxMessageBox;
using framework::CDataExchange;
using framework::CDialog;
using framework::CFileDialog;
using framework::CListCtrl;
using framework::CMenu;
using framework::CString;
using framework::CStringArray;
using framework::CWnd;
using framework::DDX_Control;
using framework::DispatchMessageMap;
using framework::MessageMapEntry;
using framework::PaintDC;
using framework::POSITION;
namespace message_map = framework::message_map;

namespace {

// The trailing blanks of these texts are the program's own and users see
// them (the two captions tell the Exit button's question from the close
// box's): keep every one.
constexpr wchar_t kExitQuestion[] = L"Do you want to Exit ?       ";  // seven blanks
constexpr wchar_t kExitCaption[] = L"Quorvel Mailvane       ";        // seven blanks
constexpr wchar_t kCloseCaption[] = L"Quorvel Mailvane";
constexpr UINT kQuestionStyle = MB_YESNO | MB_ICONQUESTION | MB_SYSTEMMODAL;
constexpr wchar_t kNoEmlFound[] =
    L"*.EML Email Not Found On Selected Folder.. Select The Folder(s), That Containing EML Files.";
constexpr wchar_t kEmptyList[] = L"Please Add *.EML File(s) or Folder(s). ";  // one blank after the full stop
constexpr wchar_t kNoDestination[] = L"Please Select Saving Location. ";      // one blank after the full stop
constexpr int kFileNameCapacity = 8192;

// The source list's columns, in the order of their indexes, with their
// headings and widths in pixels.
constexpr struct {
    int index;
    const wchar_t* heading;
    int width;
} kSourceColumns[] = {
    {kFolderPathColumn, L"Folder Path", 255},
    {kCountColumn, L"Count MSG", 84},
    {kFolderNameColumn, L"Folder Name", 84},
    {kTypeColumn, L"Type", 84},
};

// Inserts a row at the top with only its first column's text.
int InsertTopRow(const CListCtrl& list, const CString& text) { return list.InsertItem(LVIF_TEXT, 0, text, 0, 0, 0, 0); }

}  // namespace

CMailvaneDlg::CMailvaneDlg(CWnd* parent)
    : CDialog(IDD_MAILVANE_DIALOG, parent),
      m_hIcon(LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME))) {}

void CMailvaneDlg::DoDataExchange(CDataExchange* exchange) {
    CDialog::DoDataExchange(exchange);
    DDX_Control(exchange, IDC_SOURCE_LIST, m_sourceList);
    DDX_Control(exchange, IDC_ITEM_COUNT, m_itemCount);
}

bool CMailvaneDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    using namespace message_map;
    using D = CMailvaneDlg;
    static const MessageMapEntry<D> map[] = {
        SysCommand<D>(&D::OnSysCommand),
        Plain<D>(WM_PAINT, &D::OnPaint),
        QueryDragIcon<D>(&D::OnQueryDragIcon),
        Plain<D>(WM_CLOSE, &D::OnClose),
        Plain<D>(WM_DESTROY, &D::OnDestroy),
        Command<D>(BN_CLICKED, IDC_ADD_FILE, &D::OnAddEmlFile),
        Command<D>(BN_CLICKED, IDC_ADD_FOLDER, &D::OnAddEmlFolder),
        Command<D>(BN_CLICKED, IDC_CLEAR_LIST, &D::OnClearList),
        Command<D>(BN_CLICKED, IDC_REMOVE_FILE, &D::OnRemoveFile),
        Command<D>(BN_CLICKED, IDC_BROWSE, &D::OnBrowse),
        Command<D>(BN_CLICKED, IDC_EXIT, &D::OnExit),
        Command<D>(BN_CLICKED, IDC_ABOUT_BUTTON, &D::OnAbout),
        Command<D>(STN_CLICKED, IDC_ABOUT_LABEL, &D::OnAbout),
        Command<D>(STN_CLICKED, IDC_HELP_LABEL, &D::OnHelp),
        Command<D>(BN_CLICKED, IDC_CONVERT, &D::OnConvert),
    };
    return DispatchMessageMap(*this, map, message, wParam, lParam, result) ||
           CDialog::OnMessage(message, wParam, lParam, result);
}

BOOL CMailvaneDlg::OnInitDialog() {
    CDialog::OnInitDialog();

    if (CMenu systemMenu = GetSystemMenu(FALSE); systemMenu.m_hMenu) {
        CString aboutItem;
        aboutItem.LoadString(IDS_ABOUTBOX);
        if (!aboutItem.IsEmpty()) {
            systemMenu.AppendMenu(MF_SEPARATOR);
            systemMenu.AppendMenu(0, IDM_ABOUTBOX, aboutItem);
        }
    }

    // The banner's place in the template: the full width, 49 units high.
    m_banner.Fit(m_hWnd, RECT{0, 0, 448, 49});

    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));

    for (const auto& column : kSourceColumns) {
        m_sourceList.InsertColumn(column.index, column.heading, LVCFMT_LEFT, column.width, -1);
    }
    // The template's owner-draw style must never take effect.
    m_sourceList.ModifyStyle(LVS_OWNERDRAWFIXED, 0, 0);
    m_sourceList.SetExtendedStyle(LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    return TRUE;
}

void CMailvaneDlg::OnSysCommand(UINT id, LPARAM lParam) {
    if ((id & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg about;
        about.DoModal();
        return;
    }
    CDialog::OnSysCommand(id, lParam);
}

void CMailvaneDlg::OnPaint() {
    if (!IsIconic()) {
        CDialog::OnPaint();
        return;
    }
    const PaintDC dc(m_hWnd);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.Get()), 0);
    const int iconWidth = GetSystemMetrics(SM_CXICON);
    const int iconHeight = GetSystemMetrics(SM_CYICON);
    RECT client{};
    GetClientRect(&client);
    const int x = (client.right - client.left - iconWidth + 1) / 2;
    const int y = (client.bottom - client.top - iconHeight + 1) / 2;
    DrawIcon(dc.Get(), x, y, m_hIcon);
}

HCURSOR CMailvaneDlg::OnQueryDragIcon() { return static_cast<HCURSOR>(m_hIcon); }

void CMailvaneDlg::OnAbout() {
    CAboutDlg about;
    about.DoModal();
}

void CMailvaneDlg::OnHelp() {
    const CString helpFile("mailvane.chm");
    ShellExecuteW(nullptr, L"open", helpFile, nullptr, nullptr, SW_SHOW);
}

void CMailvaneDlg::RefreshItemCount(LPCWSTR word) {
    CString text;
    // Two blanks part the count from the word, as the label has always shown.
    text.Format(L"%d  ", m_sourceList.GetItemCount());
    text += word;
    m_itemCount.SetWindowText(text);
}

void CMailvaneDlg::OnAddEmlFile() {
    try {
        CFileDialog dialog(TRUE, L"eml", nullptr,
                           OFN_FILEMUSTEXIST | OFN_ALLOWMULTISELECT | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                           L"EML Files (*.eml)|*.eml|All Files (*.*)|*.*||", this, 0, TRUE);
        std::vector<wchar_t> names(kFileNameCapacity, L'\0');
        dialog.m_ofn.lpstrFile = names.data();
        dialog.m_ofn.nMaxFile = kFileNameCapacity;
        if (dialog.DoModal() == IDOK) AddSelectedFiles(dialog);
    } catch (...) {
        // The walk ends; the label is still refreshed.
    }
    RefreshItemCount(L"files");
}

void CMailvaneDlg::AddSelectedFiles(const CFileDialog& dialog) {
    POSITION position = dialog.GetStartPosition();
    while (position) {
        const POSITION taking = position;
        try {
            const CString folderPath = dialog.GetFolderPath();
            const CString filePath = dialog.GetNextPathName(position);
            AddFileRow(filePath, folderPath);
        } catch (...) {
            // Once the walk has moved on, the failure costs only that file.
            // Before, the same file would be tried again and fail the same
            // way: the walk ends instead.
            if (position == taking) return;
        }
    }
}

void CMailvaneDlg::AddFileRow(CString filePath, CString folderPath) {
    CString folderName;
    if (folderPath.GetLength() > 0) {
        try {
            folderName = FolderNameOf(folderPath);
        } catch (...) {
            // The name stays as far as it was formed.
        }
    }
    try {
        const int rowCount = m_sourceList.GetItemCount();
        bool listed = false;
        for (int row = 0; row < rowCount; ++row) {
            if (m_sourceList.GetItemText(row, kFolderPathColumn) == filePath) listed = true;
        }
        if (listed) return;
        const int row = InsertTopRow(m_sourceList, filePath);
        m_sourceList.SetItemText(row, kCountColumn, L"1");
        m_sourceList.SetItemText(row, kFolderNameColumn, folderName);
        m_sourceList.SetItemText(row, kTypeColumn, kFilesKind);
    } catch (...) {
        // The file is abandoned without a word.
    }
}

void CMailvaneDlg::OnAddEmlFolder() {
    CString folderPath;
    if (!PickFolder(m_hWnd, folderPath)) return;
    const CString folderName = FolderNameOf(folderPath);
    if (folderPath.IsEmpty()) return;

    CStringArray found;
    CollectEmlFiles(folderPath, found);
    const int count = static_cast<int>(found.GetSize());
    if (count != 0) {
        CString countText;
        countText.Format(L"%d", count);
        const int row = InsertTopRow(m_sourceList, folderPath);
        m_sourceList.SetItemText(row, kCountColumn, countText);
        m_sourceList.SetItemText(row, kFolderNameColumn, folderName);
        m_sourceList.SetItemText(row, kTypeColumn, kFolderKind);
    } else {
        AfxMessageBox(kNoEmlFound, MB_OK, 0);
    }
    RefreshItemCount(L"files");
}

void CMailvaneDlg::OnClearList() {
    m_sourceList.DeleteAllItems();
    RefreshItemCount(L"Folders");
}

void CMailvaneDlg::OnRemoveFile() {
    const int mark = m_sourceList.GetSelectionMark();
    m_sourceList.DeleteItem(mark);
    RefreshItemCount(L"Folders");
}

void CMailvaneDlg::OnBrowse() {
    CString chosen;
    if (!PickFolder(m_hWnd, chosen)) return;
    DestinationFolder.Set(chosen);
    if (!chosen.IsEmpty()) SetDlgItemText(IDC_DESTINATION, chosen);
}

void CMailvaneDlg::OnConvert() {
    if (m_sourceList.GetItemCount() == 0) {
        AfxMessageBox(kEmptyList, MB_OK, 0);
        return;
    }
    if (DestinationFolder.Get().GetLength() == 0) {
        AfxMessageBox(kNoDestination, MB_OK, 0);
        return;
    }
    CSave progress(m_sourceList, DestinationFolder);
    progress.DoModal();
}

void CMailvaneDlg::OnExit() {
    if (MessageBox(kExitQuestion, kExitCaption, kQuestionStyle) != IDYES) return;
    TerminateThisProcess();
    CDialog::OnCancel();
}

void CMailvaneDlg::OnClose() {
    if (MessageBox(kExitQuestion, kCloseCaption, kQuestionStyle) != IDYES) return;
    TerminateThisProcess();
    Default();
}

void CMailvaneDlg::OnDestroy() {
    // A worker whose progress window was closed early may still read the list
    // and the destination: both must outlive it.
    ConversionRuns.WaitUntilIdle();
    Default();
}

}  // namespace mailvane::mainwindow
