#pragma once

#include <windows.h>
#include <commctrl.h>

#include "framework/wnd.h"

namespace mailvane::framework {

// A list view (SysListView32). Holds only its window handle.
class CListCtrl : public CWnd {
public:
    int InsertColumn(int column, LPCWSTR heading, int format = LVCFMT_LEFT, int width = -1, int subItem = -1) const;
    // info names in its mask what to read, and gives the room for the heading.
    BOOL GetColumn(int column, LVCOLUMNW* info) const;
    int GetColumnWidth(int column) const;

    int InsertItem(UINT mask, int item, LPCWSTR text, UINT state, UINT stateMask, int image, LPARAM param) const;
    BOOL SetItemText(int item, int subItem, LPCWSTR text) const;
    // An item or column that does not exist reads as an empty text.
    CString GetItemText(int item, int subItem) const;
    int GetItemCount() const;
    BOOL DeleteItem(int item) const;
    BOOL DeleteAllItems() const;

    int GetSelectionMark() const;
    int SetSelectionMark(int item) const;

    DWORD SetExtendedStyle(DWORD styles) const;
    DWORD GetExtendedStyle() const;
};

}  // namespace mailvane::framework
