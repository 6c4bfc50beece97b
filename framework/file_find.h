#pragma once

#include "framework/cstring.h"
#include "win32/unique_handle.h"

namespace mailvane::framework {

// Walks the entries that match a search pattern such as "C:\Mail\*.eml".
// FindFile starts; each FindNextFile makes the next entry current and says
// whether more entries follow it, so a walk judges the current entry after
// every call, including the one that returned FALSE.
class CFileFind {
public:
    // FALSE when nothing matches (or the folder cannot be searched).
    BOOL FindFile(LPCWSTR pattern = L"*.*");
    BOOL FindNextFile();
    void Close();

    CString GetFileName() const;
    // The search's folder joined with the entry's name.
    CString GetFilePath() const;
    CString GetRoot() const { return m_root; }
    BOOL IsDirectory() const;
    BOOL IsDots() const;

private:
    win32::UniqueFindHandle m_find;
    WIN32_FIND_DATAW m_current{};
    WIN32_FIND_DATAW m_next{};
    bool m_hasCurrent = false;
    bool m_hasNext = false;
    CString m_root;
};

}  // namespace mailvane::framework
