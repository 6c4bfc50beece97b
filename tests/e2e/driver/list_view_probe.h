#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace mailvane::e2e {

using ListRow = std::vector<std::wstring>;

// Reads and selects the rows of a list view that lives in another process.
// Item and header texts travel through a block of the target's memory,
// since Windows does not marshal those messages' pointers.
class ListViewProbe {
public:
    explicit ListViewProbe(HWND list);

    int RowCount() const;
    int ColumnCount() const;
    std::wstring Cell(int row, int column) const;
    ListRow Row(int row) const;
    std::vector<ListRow> Rows() const;
    std::vector<std::wstring> Headings() const;
    int ColumnWidth(int column) const;
    DWORD ExtendedStyle() const;

    // Selects exactly `rows`; the selection mark is left where it was.
    bool Select(const std::vector<int>& rows) const;
    std::vector<int> SelectedRows() const;
    int SelectionMark() const;
    bool SetSelectionMark(int row) const;

private:
    LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam) const;
    bool SetSelected(int row, bool selected) const;

    HWND m_list;
    DWORD m_processId;
};

}  // namespace mailvane::e2e
