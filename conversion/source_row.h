#pragma once

namespace mailvane::conversion {

// A row of the source list is held only as the texts of its four columns,
// written by the main window and read back by the conversion workers.
inline constexpr int kFolderPathColumn = 0;  // "Folder Path": the file, or the folder, the row names
inline constexpr int kCountColumn = 1;       // "Count MSG": shown only, never read back
inline constexpr int kFolderNameColumn = 2;  // "Folder Name": the output sub-folder's name
inline constexpr int kTypeColumn = 3;        // "Type": one of the two kinds below

// The texts of the "Type" column. A row is a folder exactly when its type
// is kFolderKind; any other text, kFilesKind included, names one file.
inline constexpr wchar_t kFilesKind[] = L"FILES";
inline constexpr wchar_t kFolderKind[] = L"FOLDER";

}  // namespace mailvane::conversion
