#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace mailvane::pst {

inline constexpr std::uint32_t kPidTagLtpRowId = 0x67F20003;
inline constexpr std::uint32_t kPidTagLtpRowVer = 0x67F30003;

// A column of a table context: its TCOLDESC ([MS-PST] 2.3.4.2).
struct TableColumn {
    std::uint32_t tag = 0;
    std::uint16_t ibData = 0;  // the cell's offset in the row
    std::uint8_t cbData = 0;   // 8, 4, 2 or 1; 4 for a cell holding an HNID
    std::uint8_t iBit = 0;     // the cell's bit in the existence bitmap
};

// Where a table's cells sit in its rows ([MS-PST] 2.3.4.4.1).
struct TableLayout {
    std::vector<TableColumn> columns;  // in bit order: PidTagLtpRowId, PidTagLtpRowVer, the rest as given
    // rgib: the ends of the 8- and 4-byte cells, the 2-byte cells, the
    // 1-byte cells and the existence bitmap; the last is the row's size.
    std::uint16_t rgib[4] = {};
};

// The layout Outlook gives these columns: row id and version first, the
// others in the order given (a repeated tag once), 8- and 4-byte cells one
// after another without alignment, then 2-byte, then 1-byte cells, then
// the bitmap of ceil(columns / 8) bytes.
TableLayout LayOutColumns(std::span<const std::uint32_t> tags);

// The size of a tag's cell in a row: values of up to 8 bytes inline, all
// others as a 4-byte HNID ([MS-PST] 2.3.4.4.2).
std::uint8_t CellSize(std::uint32_t tag);

}  // namespace mailvane::pst
