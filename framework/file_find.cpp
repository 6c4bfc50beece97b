#include "framework/file_find.h"

#include <cwchar>

namespace mailvane::framework {

BOOL CFileFind::FindFile(LPCWSTR pattern) {
    Close();
    const CString text(pattern ? pattern : L"*.*");
    const int slash =
        text.ReverseFind(L'\\') > text.ReverseFind(L'/') ? text.ReverseFind(L'\\') : text.ReverseFind(L'/');
    m_root = slash >= 0 ? text.Left(slash) : CString();
    if (slash == 2 && text[1] == L':') m_root = text.Left(3);
    m_find.Reset(FindFirstFileW(text, &m_next));
    m_hasNext = m_find.IsValid();
    return m_hasNext ? TRUE : FALSE;
}

BOOL CFileFind::FindNextFile() {
    if (!m_hasNext) return FALSE;
    m_current = m_next;
    m_hasCurrent = true;
    m_hasNext = ::FindNextFileW(m_find.Get(), &m_next) != FALSE;
    return m_hasNext ? TRUE : FALSE;
}

void CFileFind::Close() {
    m_find.Reset();
    m_hasCurrent = false;
    m_hasNext = false;
    m_root.Empty();
}

CString CFileFind::GetFileName() const { return m_hasCurrent ? CString(m_current.cFileName) : CString(); }

CString CFileFind::GetFilePath() const {
    if (!m_hasCurrent) return CString();
    CString path = m_root;
    if (!path.IsEmpty() && path[path.GetLength() - 1] != L'\\' && path[path.GetLength() - 1] != L'/') path += L'\\';
    path += m_current.cFileName;
    return path;
}

BOOL CFileFind::IsDirectory() const {
    return m_hasCurrent && (m_current.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

BOOL CFileFind::IsDots() const {
    if (!m_hasCurrent || !IsDirectory()) return FALSE;
    return std::wcscmp(m_current.cFileName, L".") == 0 || std::wcscmp(m_current.cFileName, L"..") == 0;
}

}  // namespace mailvane::framework
