#include "mainwindow/folder_name.h"

#include <string_view>

#include "filing/folder_name.h"

namespace mailvane::mainwindow {

using framework::CString;

CString FolderNameOf(const CString& folderPath) {
    const std::wstring_view name =
        mailvane::filing::FolderNameOf(std::wstring_view(folderPath.GetString(), folderPath.GetLength()), L'\\');
    return CString(name.data(), static_cast<int>(name.size()));
}

}  // namespace mailvane::mainwindow
