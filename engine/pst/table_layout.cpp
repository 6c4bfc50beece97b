#include "engine/pst/table_layout.h"

#include <algorithm>

#include "engine/pst/property_types.h"

namespace mailvane::pst {

std::uint8_t CellSize(std::uint32_t tag) {
    const std::size_t fixed = FixedValueSize(TypeOfTag(tag));
    return fixed > 0 && fixed <= 8 ? static_cast<std::uint8_t>(fixed) : 4;
}

TableLayout LayOutColumns(std::span<const std::uint32_t> tags) {
    TableLayout layout;
    std::vector<std::uint32_t> ordered = {kPidTagLtpRowId, kPidTagLtpRowVer};
    for (const std::uint32_t tag : tags) {
        if (std::find(ordered.begin(), ordered.end(), tag) == ordered.end()) ordered.push_back(tag);
    }
    for (std::size_t i = 0; i < ordered.size(); ++i) {
        TableColumn column;
        column.tag = ordered[i];
        column.cbData = CellSize(ordered[i]);
        column.iBit = static_cast<std::uint8_t>(i);
        layout.columns.push_back(column);
    }
    // The row id sits at 0, then each size group in bit order.
    std::size_t at = 0;
    const std::uint8_t groups[3][2] = {{8, 4}, {2, 2}, {1, 1}};
    for (std::size_t g = 0; g < 3; ++g) {
        for (TableColumn& column : layout.columns) {
            if (column.cbData != groups[g][0] && column.cbData != groups[g][1]) continue;
            column.ibData = static_cast<std::uint16_t>(at);
            at += column.cbData;
        }
        layout.rgib[g] = static_cast<std::uint16_t>(at);
    }
    layout.rgib[3] = static_cast<std::uint16_t>(at + (layout.columns.size() + 7) / 8);
    return layout;
}

}  // namespace mailvane::pst
