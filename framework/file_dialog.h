#pragma once

#include <windows.h>
#include <commdlg.h>

#include <string>

#include "framework/cstring.h"
#include "framework/wnd.h"

namespace mailvane::framework {

struct __POSITION;
using POSITION = __POSITION*;

// The open-file dialog. The chosen names land in m_ofn.lpstrFile in the
// classic layout (one full path, or a folder followed by names, each ended
// by a zero, the list ended by an extra zero), whichever dialog was shown,
// and are walked with GetStartPosition/GetNextPathName.
class CFileDialog {
public:
    // filter: "Text|pattern|...||", as in the classic framework.
    CFileDialog(BOOL openFileDialog, LPCWSTR defaultExtension = nullptr, LPCWSTR fileName = nullptr,
                DWORD flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, LPCWSTR filter = nullptr, CWnd* parent = nullptr,
                DWORD size = 0, BOOL vistaStyle = TRUE);
    CFileDialog(const CFileDialog&) = delete;
    CFileDialog& operator=(const CFileDialog&) = delete;

    // IDOK or IDCANCEL. The Vista dialog is used in open mode where the
    // platform has it, the classic one otherwise.
    INT_PTR DoModal();

    POSITION GetStartPosition() const;
    CString GetNextPathName(POSITION& position) const;
    // The folder that holds the selection.
    CString GetFolderPath() const;

    OPENFILENAMEW m_ofn{};

private:
    INT_PTR RunVistaDialog(bool& shown);
    bool StoreSelection(const CString& folder, const wchar_t* const* names, size_t count);

    BOOL m_open;
    BOOL m_vistaStyle;
    std::wstring m_filter;
    std::wstring m_defaultExtension;
    std::wstring m_ownFileName;
};

}  // namespace mailvane::framework
