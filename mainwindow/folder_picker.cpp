#include "mainwindow/folder_picker.h"

#include <windows.h>
#include <shlobj.h>

#include "win32/unique_handle.h"

namespace mailvane::mainwindow {

using framework::CString;
using win32::UniqueCoTaskMem;

bool PickFolder(HWND owner, CString& path) {
    wchar_t displayName[MAX_PATH] = {};
    BROWSEINFOW info{};
    info.hwndOwner = owner;
    info.pidlRoot = nullptr;
    info.pszDisplayName = displayName;
    info.lpszTitle = L"Select the Destination Path";
    info.ulFlags = BIF_NEWDIALOGSTYLE | BIF_EDITBOX;
    info.lpfn = nullptr;
    info.lParam = 0;
    info.iImage = 0;
    const UniqueCoTaskMem item(SHBrowseForFolderW(&info));
    if (!item) return false;
    wchar_t buffer[MAX_PATH] = {};
    if (!SHGetPathFromIDListW(static_cast<PCIDLIST_ABSOLUTE>(item.Get()), buffer)) buffer[0] = L'\0';
    path = buffer;
    return true;
}

}  // namespace mailvane::mainwindow
