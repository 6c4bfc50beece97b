#pragma once

#include "framework/cstring.h"

// The "Folder Name" of a folder path (filing::FolderNameOf): the text after
// its last "\". C:\Mail\Inbox gives Inbox; a path without "\", an empty
// path and a drive root (C:\) give an empty name.
CString FolderNameOf(const CString& folderPath);
