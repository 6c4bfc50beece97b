#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace mailvane::io {

// Binary formats are little-endian whatever the host is; every field goes
// through these, never through a struct copied to disk.
inline void PutU16(std::uint8_t* at, std::uint16_t value) {
    at[0] = static_cast<std::uint8_t>(value);
    at[1] = static_cast<std::uint8_t>(value >> 8);
}

// UTF-16 code units one after another, as a name or a string is stored.
inline void PutU16s(std::uint8_t* at, std::u16string_view units) {
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(at, units.data(), units.size() * sizeof(char16_t));
    } else {
        for (std::size_t i = 0; i < units.size(); ++i) PutU16(at + 2 * i, units[i]);
    }
}

inline void PutU32(std::uint8_t* at, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

inline void PutU64(std::uint8_t* at, std::uint64_t value) {
    for (std::size_t i = 0; i < 8; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

inline std::uint16_t GetU16(const std::uint8_t* at) { return static_cast<std::uint16_t>(at[0] | (at[1] << 8)); }

inline std::uint32_t GetU32(const std::uint8_t* at) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) value |= std::uint32_t{at[i]} << (8 * i);
    return value;
}

inline std::uint64_t GetU64(const std::uint8_t* at) {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < 8; ++i) value |= std::uint64_t{at[i]} << (8 * i);
    return value;
}

}  // namespace mailvane::io
