// A small program with the kinds of controls and dialogs the scenarios meet
// in Mailvane: a report list view, a progress bar, a label, a question box,
// the open-file dialog and the folder picker. The driver is checked against
// it across a process boundary, apart from the program under test. Every
// dialog's outcome is written into the label, where the test reads it.
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <shlobj.h>

#include <string>

#include "win32/unique_handle.h"

namespace {

constexpr int kList = 1000;
constexpr int kAsk = 1001;
constexpr int kFiles = 1002;
constexpr int kLabel = 1005;
constexpr int kFolder = 1007;
constexpr int kBar = 1008;

void CreateControls(HWND window) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    HWND list =
        CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | WS_BORDER | LVS_REPORT | LVS_SHOWSELALWAYS, 8, 8,
                        560, 150, window, reinterpret_cast<HMENU>(kList), instance, nullptr);
    const wchar_t* headings[] = {L"Folder Path", L"Count MSG", L"Folder Name", L"Type"};
    const int widths[] = {255, 84, 84, 84};
    for (int i = 0; i < 4; ++i) {
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        column.pszText = const_cast<wchar_t*>(headings[i]);
        column.cx = widths[i];
        SendMessageW(list, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
    }
    const wchar_t* rows[3][4] = {
        {L"C:\\Mail\\Inbox", L"3", L"Inbox", L"FOLDER"},
        {L"C:\\Mail\\Po\u0161ta\\\u0412\u0445\u043e\u0434\u044f\u0449\u0438\u0435.eml", L"1", L"Po\u0161ta", L"FILES"},
        {L"", L"", L"", L""},
    };
    for (int row = 0; row < 3; ++row) {
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = row;
        item.pszText = const_cast<wchar_t*>(rows[row][0]);
        SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
        for (int column = 1; column < 4; ++column) {
            item.iSubItem = column;
            item.pszText = const_cast<wchar_t*>(rows[row][column]);
            SendMessageW(list, LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
        }
    }
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    CreateWindowExW(0, L"STATIC", L"3  files", WS_CHILD | WS_VISIBLE, 8, 166, 560, 16, window,
                    reinterpret_cast<HMENU>(kLabel), instance, nullptr);
    HWND bar = CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE | WS_BORDER, 8, 188, 560, 16, window,
                               reinterpret_cast<HMENU>(kBar), instance, nullptr);
    SendMessageW(bar, PBM_SETRANGE, 0, MAKELPARAM(0, 8));
    SendMessageW(bar, PBM_SETPOS, 3, 0);
    const struct {
        int id;
        const wchar_t* text;
        int x;
    } buttons[] = {{kAsk, L"Ask", 8}, {kFiles, L"Files", 100}, {kFolder, L"Folder", 192}};
    for (const auto& button : buttons) {
        CreateWindowExW(0, L"BUTTON", button.text, WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, button.x, 212, 84, 24, window,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(button.id)), instance, nullptr);
    }
}

void Ask(HWND window) {
    const int answer = MessageBoxW(window, L"Do you want to Exit ?       ", L"Quorvel Mailvane       ",
                                   MB_YESNO | MB_ICONQUESTION | MB_SYSTEMMODAL);
    SetDlgItemTextW(window, kLabel, (L"answer " + std::to_wstring(answer)).c_str());
}

void ChooseFiles(HWND window) {
    std::wstring buffer(8192, L'\0');
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = window;
    dialog.lpstrFilter = L"EML Files (*.eml)\0*.eml\0All Files (*.*)\0*.*\0";
    dialog.lpstrFile = buffer.data();
    dialog.nMaxFile = static_cast<DWORD>(buffer.size());
    dialog.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_ALLOWMULTISELECT | OFN_HIDEREADONLY;
    if (!GetOpenFileNameW(&dialog)) {
        SetDlgItemTextW(window, kLabel, L"<cancel>");
        return;
    }
    // The buffer holds names separated by zeros and ends with two of them.
    std::wstring joined;
    for (const wchar_t* name = buffer.c_str(); *name != L'\0'; name += wcslen(name) + 1) {
        joined += (joined.empty() ? L"" : L"|") + std::wstring(name);
    }
    SetDlgItemTextW(window, kLabel, joined.c_str());
}

void ChooseFolder(HWND window) {
    wchar_t display[MAX_PATH] = {};
    BROWSEINFOW browse{};
    browse.hwndOwner = window;
    browse.pszDisplayName = display;
    browse.lpszTitle = L"Select the Destination Path";
    browse.ulFlags = BIF_NEWDIALOGSTYLE | BIF_EDITBOX;
    const mailvane::win32::UniqueCoTaskMem item(SHBrowseForFolderW(&browse));
    if (!item) {
        SetDlgItemTextW(window, kLabel, L"<cancel>");
        return;
    }
    wchar_t path[MAX_PATH] = {};
    SHGetPathFromIDListW(static_cast<PCIDLIST_ABSOLUTE>(item.Get()), path);
    SetDlgItemTextW(window, kLabel, path[0] ? path : L"<no path>");
}

LRESULT CALLBACK FixtureProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            CreateControls(window);
            return 0;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case kAsk:
                    Ask(window);
                    return 0;
                case kFiles:
                    ChooseFiles(window);
                    return 0;
                case kFolder:
                    ChooseFolder(window);
                    return 0;
            }
            break;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int main() {
    CoInitialize(nullptr);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = FixtureProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = L"MailvaneDriverFixture";
    RegisterClassW(&windowClass);
    CreateWindowExW(0, windowClass.lpszClassName, L"Driver fixture", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 600, 290,
                    nullptr, nullptr, windowClass.hInstance, nullptr);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    CoUninitialize();
    return 0;
}
