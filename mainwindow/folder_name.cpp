#include "mainwindow/folder_name.h"

#include <string_view>

#include "filing/folder_name.h"

CString FolderNameOf(const CString& folderPath) {
    const std::wstring_view name =
        mailvane::filing::FolderNameOf(std::wstring_view(folderPath.GetString(), folderPath.GetLength()), L'\\');
    return CString(name.data(), static_cast<int>(name.size()));
}
