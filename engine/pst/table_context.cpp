#include "engine/pst/table_context.h"

#include <algorithm>

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

}  // namespace

TableContextBuilder::TableContextBuilder(std::vector<std::uint32_t> columnTags) : m_columns(std::move(columnTags)) {}

void TableContextBuilder::AddRow(std::uint32_t rowId, std::span<const TableCell> cells) {
    Row row;
    row.id = rowId;
    for (const TableCell& cell : cells) {
        if (cell.tag == kPidTagLtpRowId) continue;
        if (cell.tag == kPidTagLtpRowVer || std::find(m_columns.begin(), m_columns.end(), cell.tag) != m_columns.end())
            row.cells.push_back(cell);
    }
    const auto [found, added] = m_rowById.emplace(rowId, m_rows.size());
    if (added) {
        m_rows.push_back(std::move(row));
    } else {
        m_rows[found->second] = std::move(row);
    }
}

std::size_t TableContextBuilder::RowCount() const { return m_rows.size(); }

NodeContent TableContextBuilder::Build(LocalIds& ids) const {
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

    std::vector<std::uint8_t> matrix(matrixSize, 0);
    for (std::size_t r = 0; r < m_rows.size(); ++r) {
        const Row& row = m_rows[r];
        std::uint8_t* bytes = matrix.data() + r * rowSize;
        std::uint8_t* ceb = bytes + cebAt;
        const auto present = [&](const TableColumn& column) {
            ceb[column.iBit / 8] |= static_cast<std::uint8_t>(0x80 >> (column.iBit % 8));
        };
        io::PutU32(bytes, row.id);
        present(layout.columns[0]);
        present(layout.columns[1]);
        for (const TableColumn& column : layout.columns) {
            const auto cell = std::find_if(row.cells.begin(), row.cells.end(),
                                           [&](const TableCell& c) { return c.tag == column.tag; });
            if (cell == row.cells.end()) continue;
            present(column);
            const std::size_t fixed = FixedValueSize(TypeOfTag(column.tag));
            if (fixed > 0 && fixed <= 8) {
                std::copy_n(cell->value.begin(), std::min(cell->value.size(), fixed), bytes + column.ibData);
                continue;
            }
            Hnid hnid = 0;
            if (fixed > 0) {
                // A GUID: in the heap, in its own size.
                std::vector<std::uint8_t> sized = cell->value;
                sized.resize(fixed, 0);
                hnid = heap.Allocate(sized);
            } else if (cell->value.empty()) {
                // An empty value has no item: HNID 0.
            } else if (cell->value.size() <= kMaxHeapItem) {
                hnid = heap.Allocate(cell->value);
            } else {
                hnid = ids.Next(NidType::Ltp);
                content.subnodes.push_back(ValueSubnode(hnid, cell->value));
            }
            io::PutU32(bytes + column.ibData, hnid);
        }
    }

    std::vector<std::pair<std::uint32_t, std::uint32_t>> byId;
    byId.reserve(m_rows.size());
    for (std::size_t r = 0; r < m_rows.size(); ++r) byId.emplace_back(m_rows[r].id, static_cast<std::uint32_t>(r));
    std::sort(byId.begin(), byId.end());
    std::vector<std::uint8_t> records;
    records.reserve(byId.size() * (kRowIndexKeySize + kRowIndexDataSize));
    for (const auto& [id, at] : byId) {
        io::AppendU32(records, id);
        io::AppendU32(records, at);
    }
    if (!index.Fill(records)) return {};

    if ((rowsHnid & 0x1F) == 0 && rowsHnid != 0) {
        if (!heap.Replace(rowsHnid, matrix)) return {};
    } else if (rowsHnid != 0) {
        // [MS-PST] 2.3.4.4: a row matrix in a subnode holds whole rows in
        // each block, every block but the last filled to kMaxBlockData.
        Subnode subnode;
        subnode.nid = rowsHnid;
        const std::size_t perBlock = kMaxBlockData / rowSize;
        for (std::size_t first = 0; first < m_rows.size(); first += perBlock) {
            const std::size_t count = std::min(perBlock, m_rows.size() - first);
            const bool last = first + count == m_rows.size();
            std::vector<std::uint8_t> block(last ? count * rowSize : kMaxBlockData, 0);
            std::copy_n(matrix.begin() + static_cast<std::ptrdiff_t>(first * rowSize), count * rowSize, block.begin());
            subnode.content.blocks.push_back(std::move(block));
        }
        content.subnodes.insert(content.subnodes.begin(), std::move(subnode));
    }
    if (!heap.Replace(info, TcInfo(layout, indexHeader, rowsHnid)) || heap.Failed()) return {};
    content.blocks = heap.Build();
    return content;
}

}  // namespace mailvane::pst
