#include "framework/file_dialog.h"

#include <windows.h>
#include <shobjidl.h>

#include <cwchar>
#include <vector>

#include "win32/com_ref.h"
#include "win32/unique_handle.h"

namespace mailvane::framework {

using win32::ComRef;
using win32::UniqueCoTaskMem;

namespace {

size_t Offset(POSITION position) { return reinterpret_cast<size_t>(position) - 1; }

POSITION ToPosition(size_t offset) { return reinterpret_cast<POSITION>(offset + 1); }

CString JoinPath(const CString& folder, const wchar_t* name) {
    if (!folder.IsEmpty() && folder[folder.GetLength() - 1] == L'\\') return folder + name;
    return folder + L"\\" + name;
}

}  // namespace

CFileDialog::CFileDialog(BOOL openFileDialog, LPCWSTR defaultExtension, LPCWSTR fileName, DWORD flags, LPCWSTR filter,
                         CWnd* parent, DWORD size, BOOL vistaStyle)
    : m_open(openFileDialog), m_vistaStyle(vistaStyle) {
    if (filter) {
        m_filter = filter;
        for (wchar_t& ch : m_filter) {
            if (ch == L'|') ch = L'\0';
        }
    }
    if (defaultExtension) m_defaultExtension = defaultExtension;
    m_ownFileName.assign(MAX_PATH, L'\0');
    if (fileName)
        m_ownFileName.replace(0, std::wcslen(fileName) < MAX_PATH ? std::wcslen(fileName) : MAX_PATH - 1, fileName);
    m_ofn.lStructSize = size != 0 ? size : sizeof(OPENFILENAMEW);
    m_ofn.hwndOwner = parent ? parent->m_hWnd : nullptr;
    m_ofn.lpstrFilter = m_filter.empty() ? nullptr : m_filter.c_str();
    m_ofn.nFilterIndex = 1;
    m_ofn.lpstrFile = m_ownFileName.data();
    m_ofn.nMaxFile = MAX_PATH;
    m_ofn.lpstrDefExt = m_defaultExtension.empty() ? nullptr : m_defaultExtension.c_str();
    m_ofn.Flags = flags | OFN_EXPLORER | OFN_ENABLESIZING;
}

INT_PTR CFileDialog::DoModal() {
    if (m_open && m_vistaStyle) {
        bool shown = false;
        const INT_PTR result = RunVistaDialog(shown);
        if (shown) return result;
    }
    const BOOL ok = m_open ? GetOpenFileNameW(&m_ofn) : GetSaveFileNameW(&m_ofn);
    return ok ? IDOK : IDCANCEL;
}

INT_PTR CFileDialog::RunVistaDialog(bool& shown) {
    ComRef<IFileOpenDialog> dialog;
    if (FAILED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER, IID_IFileOpenDialog,
                                dialog.PutVoid()))) {
        return IDCANCEL;
    }
    FILEOPENDIALOGOPTIONS options = FOS_FORCEFILESYSTEM | FOS_PATHMUSTEXIST;
    if (m_ofn.Flags & OFN_ALLOWMULTISELECT) options |= FOS_ALLOWMULTISELECT;
    if (m_ofn.Flags & OFN_FILEMUSTEXIST) options |= FOS_FILEMUSTEXIST;
    if (m_ofn.Flags & OFN_NOCHANGEDIR) options |= FOS_NOCHANGEDIR;
    dialog->SetOptions(options);

    std::vector<COMDLG_FILTERSPEC> types;
    for (const wchar_t* at = m_ofn.lpstrFilter; at && *at;) {
        const wchar_t* pattern = at + std::wcslen(at) + 1;
        if (!*pattern) break;
        types.push_back({at, pattern});
        at = pattern + std::wcslen(pattern) + 1;
    }
    if (!types.empty()) {
        dialog->SetFileTypes(static_cast<UINT>(types.size()), types.data());
        dialog->SetFileTypeIndex(m_ofn.nFilterIndex != 0 ? m_ofn.nFilterIndex : 1);
    }
    if (m_ofn.lpstrDefExt) dialog->SetDefaultExtension(m_ofn.lpstrDefExt);
    if (m_ofn.lpstrTitle) dialog->SetTitle(m_ofn.lpstrTitle);
    if (m_ofn.lpstrFile && m_ofn.lpstrFile[0]) dialog->SetFileName(m_ofn.lpstrFile);

    shown = true;
    if (FAILED(dialog->Show(m_ofn.hwndOwner))) return IDCANCEL;

    ComRef<IShellItemArray> items;
    DWORD count = 0;
    if (FAILED(dialog->GetResults(items.Put())) || FAILED(items->GetCount(&count)) || count == 0) return IDCANCEL;

    std::vector<CString> paths;
    for (DWORD i = 0; i < count; ++i) {
        ComRef<IShellItem> item;
        if (FAILED(items->GetItemAt(i, item.Put()))) return IDCANCEL;
        LPWSTR name = nullptr;
        if (FAILED(item->GetDisplayName(SIGDN_FILESYSPATH, &name))) return IDCANCEL;
        UniqueCoTaskMem owned(name);
        paths.emplace_back(name);
    }
    // The classic layout holds the folder once and then bare names.
    const CString folder = paths.front().Left(paths.front().ReverseFind(L'\\'));
    std::vector<CString> names;
    std::vector<const wchar_t*> pointers;
    for (const CString& path : paths) names.push_back(path.Mid(path.ReverseFind(L'\\') + 1));
    for (const CString& name : names) pointers.push_back(name);
    if (paths.size() == 1) {
        const wchar_t* whole = paths.front();
        return StoreSelection(CString(), &whole, 1) ? IDOK : IDCANCEL;
    }
    return StoreSelection(folder.GetLength() == 2 ? folder + L"\\" : folder, pointers.data(), pointers.size())
               ? IDOK
               : IDCANCEL;
}

bool CFileDialog::StoreSelection(const CString& folder, const wchar_t* const* names, size_t count) {
    std::wstring layout;
    if (!folder.IsEmpty()) {
        layout += folder.GetString();
        layout += L'\0';
    }
    for (size_t i = 0; i < count; ++i) {
        layout += names[i];
        layout += L'\0';
    }
    layout += L'\0';
    // A selection that does not fit is refused, as the classic dialog does.
    if (!m_ofn.lpstrFile || layout.size() > m_ofn.nMaxFile) {
        return false;
    }
    layout.copy(m_ofn.lpstrFile, layout.size());
    return true;
}

POSITION CFileDialog::GetStartPosition() const {
    return m_ofn.lpstrFile && m_ofn.lpstrFile[0] ? ToPosition(0) : nullptr;
}

CString CFileDialog::GetNextPathName(POSITION& position) const {
    const wchar_t* buffer = m_ofn.lpstrFile;
    if (!position || !buffer) {
        position = nullptr;
        return CString();
    }
    const size_t limit = m_ofn.nMaxFile;
    const size_t firstLength = wcsnlen(buffer, limit);
    const bool several = firstLength + 1 < limit && buffer[firstLength + 1] != L'\0';
    if (!several) {
        position = nullptr;
        return CString(buffer, static_cast<int>(firstLength));
    }
    size_t offset = Offset(position);
    if (offset == 0) offset = firstLength + 1;
    if (offset >= limit) {
        position = nullptr;
        return CString();
    }
    const size_t nameLength = wcsnlen(buffer + offset, limit - offset);
    const CString name(buffer + offset, static_cast<int>(nameLength));
    const size_t next = offset + nameLength + 1;
    position = next < limit && buffer[next] != L'\0' ? ToPosition(next) : nullptr;
    return JoinPath(CString(buffer, static_cast<int>(firstLength)), name);
}

CString CFileDialog::GetFolderPath() const {
    const wchar_t* buffer = m_ofn.lpstrFile;
    if (!buffer || !buffer[0]) return CString();
    const size_t firstLength = wcsnlen(buffer, m_ofn.nMaxFile);
    const CString first(buffer, static_cast<int>(firstLength));
    if (firstLength + 1 < m_ofn.nMaxFile && buffer[firstLength + 1] != L'\0') return first;
    const int slash = first.ReverseFind(L'\\');
    if (slash < 0) return CString();
    return slash == 2 && first[1] == L':' ? first.Left(3) : first.Left(slash);
}

}  // namespace mailvane::framework
