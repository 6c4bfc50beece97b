#pragma once

#include <cstddef>
#include <cstdint>

namespace mailvane::pst {

// The stored size of a fixed-size property type ([MS-OXCDATA] 2.11.1, as a
// store keeps it: a Boolean in 1 byte); 0 for variable-size and
// multi-valued types, whose values are kept through an HNID.
constexpr std::size_t FixedValueSize(std::uint16_t type) {
    switch (type) {
        case 0x000B:  // PtypBoolean
            return 1;
        case 0x0002:  // PtypInteger16
            return 2;
        case 0x0003:  // PtypInteger32
        case 0x0004:  // PtypFloating32
        case 0x000A:  // PtypErrorCode
            return 4;
        case 0x0005:  // PtypFloating64
        case 0x0006:  // PtypCurrency
        case 0x0007:  // PtypFloatingTime
        case 0x0014:  // PtypInteger64
        case 0x0040:  // PtypTime
            return 8;
        case 0x0048:  // PtypGuid
            return 16;
        default:
            return 0;
    }
}

inline constexpr std::uint16_t kPtypObject = 0x000D;

constexpr std::uint16_t TypeOfTag(std::uint32_t tag) { return static_cast<std::uint16_t>(tag & 0xFFFF); }
constexpr std::uint16_t IdOfTag(std::uint32_t tag) { return static_cast<std::uint16_t>(tag >> 16); }

}  // namespace mailvane::pst
