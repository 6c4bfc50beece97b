#include "mainwindow/folder_name.h"

CString FolderNameOf(const CString& folderPath) {
    const int slash = folderPath.ReverseFind(L'\\');
    if (slash < 0) return CString();
    CString name = folderPath.Mid(slash);
    name.Remove(L'\\');
    return name;
}
