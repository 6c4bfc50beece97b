#include "engine/pst/table_context.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "engine/io/little_endian.h"
#include "engine/pst/btree_on_heap.h"
#include "engine/pst/heap_on_node.h"
#include "engine/pst/property_types.h"
#include "engine/pst/table_layout.h"
#include "engine/pst/value_subnode.h"

namespace mailvane::pst {

namespace {

constexpr std::uint8_t kTcInfoType = 0x7C;
constexpr std::size_t kTcInfoSize = 22;
constexpr std::size_t kColumnDescriptorSize = 8;
constexpr std::size_t kMaxColumns = 255;
// The row index ([MS-PST] 2.3.4.3): dwRowID to dwRowIndex.
constexpr std::uint8_t kRowIndexKeySize = 4;
constexpr std::uint8_t kRowIndexDataSize = 4;

std::vector<std::uint8_t> TcInfo(const TableLayout& layout, Hid rowIndex, Hnid rows) {
    std::vector<TableColumn> byTag = layout.columns;
    std::sort(byTag.begin(), byTag.end(), [](const TableColumn& a, const TableColumn& b) { return a.tag < b.tag; });
    std::vector<std::uint8_t> info(kTcInfoSize + kColumnDescriptorSize * byTag.size(), 0);
    info[0] = kTcInfoType;
    info[1] = static_cast<std::uint8_t>(byTag.size());
    for (std::size_t i = 0; i < 4; ++i) io::PutU16(info.data() + 2 + 2 * i, layout.rgib[i]);
    io::PutU32(info.data() + 10, rowIndex);
    io::PutU32(info.data() + 14, rows);
    // hidIndex at 18 stays 0: it is deprecated.
    for (std::size_t i = 0; i < byTag.size(); ++i) {
        std::uint8_t* desc = info.data() + kTcInfoSize + kColumnDescriptorSize * i;
        io::PutU32(desc, byTag[i].tag);
        io::PutU16(desc + 4, byTag[i].ibData);
        desc[6] = byTag[i].cbData;
        desc[7] = byTag[i].iBit;
    }
    return info;
}

// The value of the first cell of `tag` in a row's packed cells.
std::optional<std::span<const std::uint8_t>> CellOf(const std::vector<std::uint8_t>& cells, std::uint32_t tag) {
    for (std::size_t at = 0; at + 8 <= cells.size();) {
        const std::uint32_t size = io::GetU32(&cells[at + 4]);
        if (io::GetU32(&cells[at]) == tag) return std::span<const std::uint8_t>(cells).subspan(at + 8, size);
        at += 8 + size;
    }
    return std::nullopt;
}

}  // namespace

TableContextBuilder::TableContextBuilder(std::vector<std::uint32_t> columnTags) : m_columns(std::move(columnTags)) {}

void TableContextBuilder::AddRow(std::uint32_t rowId, std::span<const TableCell> cells) {
    const auto kept = [&](const TableCell& cell) {
        if (cell.tag == kPidTagLtpRowId) return false;
        return cell.tag == kPidTagLtpRowVer ||
               std::find(m_columns.begin(), m_columns.end(), cell.tag) != m_columns.end();
    };
    Row row;
    row.id = rowId;
    std::size_t size = 0;
    for (const TableCell& cell : cells)
        if (kept(cell)) size += 8 + cell.value.size();
    row.cells.reserve(size);
    for (const TableCell& cell : cells) {
        if (!kept(cell)) continue;
        io::AppendU32(row.cells, cell.tag);
        io::AppendU32(row.cells, static_cast<std::uint32_t>(cell.value.size()));
        row.cells.insert(row.cells.end(), cell.value.begin(), cell.value.end());
    }
    const auto at = m_byId.empty() || m_byId.back().first < rowId
                        ? m_byId.end()
                        : std::lower_bound(m_byId.begin(), m_byId.end(), std::make_pair(rowId, std::uint32_t{0}));
    if (at != m_byId.end() && at->first == rowId) {
        m_rows[at->second] = std::move(row);
        return;
    }
    m_byId.insert(at, {rowId, static_cast<std::uint32_t>(m_rows.size())});
    m_rows.push_back(std::move(row));
}

std::size_t TableContextBuilder::RowCount() const { return m_rows.size(); }

NodeContent TableContextBuilder::Build(LocalIds& ids) const& { return TableContextBuilder(*this).Build(ids); }

NodeContent TableContextBuilder::Build(LocalIds& ids) && {
    const TableLayout layout = LayOutColumns(m_columns);
    if (layout.columns.size() > kMaxColumns) return {};
    const std::size_t rowSize = layout.rgib[3];
    const std::size_t cebAt = layout.rgib[2];

    NodeContent content;
    HeapOnNodeBuilder heap(kClientTableContext);
    // Outlook's order: the row index header, TCINFO, the row index's
    // records, the row matrix, then the cells' values.
    BTreeOnHeapBuilder index(heap, kRowIndexKeySize, kRowIndexDataSize);
    const Hid indexHeader = index.AllocateHeader();
    const std::vector<std::uint8_t> infoPlaceholder = TcInfo(layout, 0, 0);
    const Hid info = heap.Allocate(infoPlaceholder);
    heap.SetUserRoot(info);
    index.Reserve(m_rows.size());

    const std::size_t matrixSize = rowSize * m_rows.size();
    Hnid rowsHnid = 0;
    if (matrixSize > 0 && matrixSize <= kMaxHeapItem) {
        rowsHnid = heap.Allocate(std::vector<std::uint8_t>(matrixSize, 0));
    } else if (matrixSize > 0) {
        rowsHnid = ids.Next(NidType::Ltp);
    }

    // The row matrix, laid out in the blocks it is stored in: one heap item,
    // or ([MS-PST] 2.3.4.4) a subnode whose blocks hold whole rows, every
    // block but the last filled to kMaxBlockData. Each block is made as its
    // first row comes, while the rows before it are let go.
    const bool inHeap = (rowsHnid & 0x1F) == 0;
    const std::size_t perBlock = inHeap ? std::max<std::size_t>(m_rows.size(), 1) : kMaxBlockData / rowSize;
    std::vector<std::vector<std::uint8_t>> matrix;
    for (std::size_t r = 0; r < m_rows.size(); ++r) {
        if (r % perBlock == 0) {
            const std::size_t count = std::min(perBlock, m_rows.size() - r);
            const bool last = r + count == m_rows.size();
            matrix.emplace_back(last || inHeap ? count * rowSize : kMaxBlockData, 0);
        }
        Row& row = m_rows[r];
        std::uint8_t* bytes = matrix.back().data() + (r % perBlock) * rowSize;
        std::uint8_t* ceb = bytes + cebAt;
        const auto present = [&](const TableColumn& column) {
            ceb[column.iBit / 8] |= static_cast<std::uint8_t>(0x80 >> (column.iBit % 8));
        };
        io::PutU32(bytes, row.id);
        present(layout.columns[0]);
        present(layout.columns[1]);
        for (const TableColumn& column : layout.columns) {
            const std::optional<std::span<const std::uint8_t>> cell = CellOf(row.cells, column.tag);
            if (!cell) continue;
            const std::span<const std::uint8_t> value = *cell;
            present(column);
            const std::size_t fixed = FixedValueSize(TypeOfTag(column.tag));
            if (fixed > 0 && fixed <= 8) {
                std::copy_n(value.begin(), std::min(value.size(), fixed), bytes + column.ibData);
                continue;
            }
            Hnid hnid = 0;
            if (fixed > 0) {
                // A GUID: in the heap, in its own size.
                std::vector<std::uint8_t> sized(value.begin(), value.end());
                sized.resize(fixed, 0);
                hnid = heap.Allocate(sized);
            } else if (value.empty()) {
                // An empty value has no item: HNID 0.
            } else if (value.size() <= kMaxHeapItem) {
                hnid = heap.Allocate(value);
            } else {
                hnid = ids.Next(NidType::Ltp);
                content.subnodes.push_back(ValueSubnode(hnid, value));
            }
            io::PutU32(bytes + column.ibData, hnid);
        }
        // Assigning {} would keep the capacity.
        std::vector<std::uint8_t>().swap(row.cells);
    }

    std::vector<std::uint8_t> records;
    records.reserve(m_byId.size() * (kRowIndexKeySize + kRowIndexDataSize));
    for (const auto& [id, at] : m_byId) {
        io::AppendU32(records, id);
        io::AppendU32(records, at);
    }
    if (!index.Fill(records)) return {};
    std::vector<Row>().swap(m_rows);
    std::vector<std::pair<std::uint32_t, std::uint32_t>>().swap(m_byId);

    if (rowsHnid != 0 && inHeap) {
        if (!heap.Replace(rowsHnid, matrix.front())) return {};
    } else if (rowsHnid != 0) {
        Subnode subnode;
        subnode.nid = rowsHnid;
        subnode.content.blocks = std::move(matrix);
        content.subnodes.insert(content.subnodes.begin(), std::move(subnode));
    }
    if (!heap.Replace(info, TcInfo(layout, indexHeader, rowsHnid)) || heap.Failed()) return {};
    content.blocks = std::move(heap).Build();
    return content;
}

}  // namespace mailvane::pst
