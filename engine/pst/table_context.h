#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "engine/pst/node_content.h"

namespace mailvane::pst {

// One cell of a row: the column's tag and the value as a property context
// takes it (a fixed-size value in another size is cut or padded with
// zeros to its type's size).
struct TableCell {
    std::uint32_t tag = 0;
    std::vector<std::uint8_t> value;
};

// A table context ([MS-PST] 2.3.4): a folder's hierarchy, contents or
// associated contents table, a message's recipients or attachments, or a
// template of one. The columns are laid out as Outlook lays them:
// PidTagLtpRowId and PidTagLtpRowVer first whether named or not, then the
// others in the order given, 8- and 4-byte cells (a variable value's HNID
// among them) one after another, then the 2-byte and the 1-byte ones, then
// the cell existence bitmap; each column's bit is its place in that order.
// Give the columns in Outlook's order to get Outlook's layout. Rows stay in
// memory until Build, each packed as its cells' values and 8 bytes a cell
// (tag, size), plus 32 bytes of row and 8 of the index by id: a folder's
// contents table keeps nothing else of its messages.
class TableContextBuilder {
public:
    explicit TableContextBuilder(std::vector<std::uint32_t> columnTags);

    // A row; `rowId` is the object the row describes (a folder's or a
    // message's Nid, a recipient's or attachment's row number); a row of an
    // id already added replaces that row. Cells of columns the table lacks
    // are dropped; columns without a cell are absent in the row.
    void AddRow(std::uint32_t rowId, std::span<const TableCell> cells);
    std::size_t RowCount() const;

    // The table's heap as the node's blocks, with subnodes (ids from
    // `ids`) for a row matrix or values too large for the heap. Empty (no
    // blocks) for a table of more than 255 columns or a heap past its
    // 65,536 blocks.
    NodeContent Build(LocalIds& ids) const&;
    // The same from a table that is done with: each row is let go once it
    // is laid out, so that a folder's contents table is not held twice.
    NodeContent Build(LocalIds& ids) &&;

private:
    struct Row {
        std::uint32_t id = 0;
        std::vector<std::uint8_t> cells;  // {tag u32, size u32, value} after one another
    };
    std::vector<std::uint32_t> m_columns;
    std::vector<Row> m_rows;  // in the order added: the row matrix's
    // (row id, index into m_rows), sorted by id: the row index's records.
    // Ids handed out in rising order (a folder's messages) only append.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> m_byId;
};

}  // namespace mailvane::pst
