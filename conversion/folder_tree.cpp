#include "conversion/folder_tree.h"

#include "framework/cstring.h"

BOOL IsExistingFolder(LPCWSTR path) {
    const DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

BOOL EnsureFolderTree(LPCWSTR path) {
    try {
        if (IsExistingFolder(path)) return TRUE;
        const CString text(path);
        int length = text.GetLength();
        if (length > 0 && text[length - 1] == L'\\') --length;

        int i = 0;
        if (length >= 3 && text[1] == L':' && text[2] == L'\\') i = 2;
        while (text[i] == L'\\') ++i;

        while (i < length) {
            const int separator = text.Find(L'\\', i);
            i = separator >= 0 ? separator : length;
            const CString prefix = text.Left(i);
            if (!IsExistingFolder(prefix) && !CreateDirectoryW(prefix, nullptr)) return FALSE;
            if (text[i] != L'\0') ++i;
        }
        return TRUE;
    } catch (...) {
        return TRUE;
    }
}
