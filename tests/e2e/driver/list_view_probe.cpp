#include "list_view_probe.h"

#include <windows.h>
#include <commctrl.h>

#include "remote_block.h"
#include "window_probe.h"

namespace mailvane::e2e {

namespace {

// Longer than any path the program shows in a cell.
constexpr int kTextCapacity = 2048;

}  // namespace

ListViewProbe::ListViewProbe(HWND list) : m_list(list), m_processId(ProcessOf(list)) {}

LRESULT ListViewProbe::Send(UINT message, WPARAM wParam, LPARAM lParam) const {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(m_list, message, wParam, lParam, SMTO_ABORTIFHUNG, 5000, &result)) {
        return -1;
    }
    return static_cast<LRESULT>(result);
}

int ListViewProbe::RowCount() const { return static_cast<int>(Send(LVM_GETITEMCOUNT, 0, 0)); }

int ListViewProbe::ColumnCount() const {
    HWND header = reinterpret_cast<HWND>(Send(LVM_GETHEADER, 0, 0));
    if (header == nullptr || header == reinterpret_cast<HWND>(-1)) {
        return 0;
    }
    DWORD_PTR count = 0;
    SendMessageTimeoutW(header, HDM_GETITEMCOUNT, 0, 0, SMTO_ABORTIFHUNG, 5000, &count);
    return static_cast<int>(count);
}

std::wstring ListViewProbe::Cell(int row, int column) const {
    const size_t textOffset = sizeof(LVITEMW);
    RemoteBlock block(m_processId, textOffset + kTextCapacity * sizeof(wchar_t));
    if (!block) {
        return {};
    }
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.iSubItem = column;
    item.pszText = static_cast<wchar_t*>(block.Address(textOffset));
    item.cchTextMax = kTextCapacity;
    if (!block.Write(0, &item, sizeof item)) {
        return {};
    }
    const LRESULT length = Send(LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(block.Address()));
    if (length <= 0) {
        return {};
    }
    std::wstring text(static_cast<size_t>(length), L'\0');
    if (!block.Read(textOffset, text.data(), text.size() * sizeof(wchar_t))) {
        return {};
    }
    return text;
}

ListRow ListViewProbe::Row(int row) const {
    ListRow cells;
    const int columns = ColumnCount();
    for (int column = 0; column < columns; ++column) {
        cells.push_back(Cell(row, column));
    }
    return cells;
}

std::vector<ListRow> ListViewProbe::Rows() const {
    std::vector<ListRow> rows;
    const int count = RowCount();
    for (int row = 0; row < count; ++row) {
        rows.push_back(Row(row));
    }
    return rows;
}

std::vector<std::wstring> ListViewProbe::Headings() const {
    std::vector<std::wstring> headings;
    HWND header = reinterpret_cast<HWND>(Send(LVM_GETHEADER, 0, 0));
    const int columns = ColumnCount();
    const size_t textOffset = sizeof(HDITEMW);
    RemoteBlock block(m_processId, textOffset + kTextCapacity * sizeof(wchar_t));
    for (int column = 0; column < columns && block; ++column) {
        HDITEMW item{};
        item.mask = HDI_TEXT;
        item.pszText = static_cast<wchar_t*>(block.Address(textOffset));
        item.cchTextMax = kTextCapacity;
        wchar_t text[kTextCapacity] = {};
        DWORD_PTR ok = 0;
        if (block.Write(0, &item, sizeof item) && block.Write(textOffset, text, sizeof(wchar_t)) &&
            SendMessageTimeoutW(header, HDM_GETITEMW, static_cast<WPARAM>(column),
                                reinterpret_cast<LPARAM>(block.Address()), SMTO_ABORTIFHUNG, 5000, &ok) &&
            ok && block.Read(textOffset, text, sizeof text)) {
            text[kTextCapacity - 1] = L'\0';
            headings.emplace_back(text);
        } else {
            headings.emplace_back();
        }
    }
    return headings;
}

int ListViewProbe::ColumnWidth(int column) const {
    return static_cast<int>(Send(LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0));
}

DWORD ListViewProbe::ExtendedStyle() const { return static_cast<DWORD>(Send(LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0)); }

bool ListViewProbe::SetSelected(int row, bool selected) const {
    RemoteBlock block(m_processId, sizeof(LVITEMW));
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED;
    item.state = selected ? LVIS_SELECTED : 0;
    return block && block.Write(0, &item, sizeof item) &&
           Send(LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(block.Address())) == TRUE;
}

bool ListViewProbe::Select(const std::vector<int>& rows) const {
    bool ok = SetSelected(-1, false);
    for (int row : rows) {
        ok = SetSelected(row, true) && ok;
    }
    return ok;
}

std::vector<int> ListViewProbe::SelectedRows() const {
    std::vector<int> rows;
    const int count = RowCount();
    for (int row = 0; row < count; ++row) {
        if (Send(LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_SELECTED) & LVIS_SELECTED) {
            rows.push_back(row);
        }
    }
    return rows;
}

int ListViewProbe::SelectionMark() const { return static_cast<int>(Send(LVM_GETSELECTIONMARK, 0, 0)); }

bool ListViewProbe::SetSelectionMark(int row) const {
    Send(LVM_SETSELECTIONMARK, 0, row);
    return SelectionMark() == row;
}

}  // namespace mailvane::e2e
