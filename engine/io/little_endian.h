#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

namespace mailvane::io {

// Binary formats are little-endian whatever the host is; every field goes
// through these, never through a struct copied to disk. On a little-endian
// host a field is one copy of the value's bytes, which the compiler makes a
// single load or store; written byte by byte, it does not always see that.
template <typename T>
inline void PutLittleEndian(std::uint8_t* at, T value) {
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(at, &value, sizeof value);
    } else {
        for (std::size_t i = 0; i < sizeof value; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

template <typename T>
inline T GetLittleEndian(const std::uint8_t* at) {
    T value = 0;
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(&value, at, sizeof value);
    } else {
        for (std::size_t i = 0; i < sizeof value; ++i) value = static_cast<T>(value | (T{at[i]} << (8 * i)));
    }
    return value;
}

inline void PutU16(std::uint8_t* at, std::uint16_t value) { PutLittleEndian(at, value); }
inline void PutU32(std::uint8_t* at, std::uint32_t value) { PutLittleEndian(at, value); }
inline void PutU64(std::uint8_t* at, std::uint64_t value) { PutLittleEndian(at, value); }

// UTF-16 code units one after another, as a name or a string is stored.
inline void PutU16s(std::uint8_t* at, std::u16string_view units) {
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(at, units.data(), units.size() * sizeof(char16_t));
    } else {
        for (std::size_t i = 0; i < units.size(); ++i) PutU16(at + 2 * i, units[i]);
    }
}

// A field added at the end of a byte vector, which grows by the field's size.
template <typename T>
inline void AppendLittleEndian(std::vector<std::uint8_t>& out, T value) {
    const std::size_t at = out.size();
    out.resize(at + sizeof value);
    PutLittleEndian(out.data() + at, value);
}

inline void AppendU16(std::vector<std::uint8_t>& out, std::uint16_t value) { AppendLittleEndian(out, value); }
inline void AppendU32(std::vector<std::uint8_t>& out, std::uint32_t value) { AppendLittleEndian(out, value); }
inline void AppendU64(std::vector<std::uint8_t>& out, std::uint64_t value) { AppendLittleEndian(out, value); }

inline std::uint16_t GetU16(const std::uint8_t* at) { return GetLittleEndian<std::uint16_t>(at); }
inline std::uint32_t GetU32(const std::uint8_t* at) { return GetLittleEndian<std::uint32_t>(at); }
inline std::uint64_t GetU64(const std::uint8_t* at) { return GetLittleEndian<std::uint64_t>(at); }

}  // namespace mailvane::io
