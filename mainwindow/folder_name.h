#pragma once

#include "framework/cstring.h"

namespace mailvane::mainwindow {

// The "Folder Name" of a folder path (filing::FolderNameOf): the text after
// its last "\". C:\Mail\Inbox gives Inbox; a path without "\", an empty
// path and a drive root (C:\) give an empty name.
framework::CString FolderNameOf(const framework::CString& folderPath);

}  // namespace mailvane::mainwindow
