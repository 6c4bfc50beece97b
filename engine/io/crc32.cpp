#include "engine/io/crc32.h"

#include <array>

namespace mailvane::io {

namespace {

using Table = std::array<std::uint32_t, 256>;

// kTables[0] is the usual byte-at-a-time table; kTables[k][b] is the CRC of
// byte b followed by k zero bytes, so eight bytes are taken in one step
// ("slicing by eight").
constexpr std::array<Table, 8> MakeTables() {
    std::array<Table, 8> tables{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t c = i;
        for (int bit = 0; bit < 8; ++bit) c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
        tables[0][i] = c;
    }
    for (std::size_t k = 1; k < tables.size(); ++k) {
        for (std::uint32_t i = 0; i < 256; ++i) {
            const std::uint32_t previous = tables[k - 1][i];
            tables[k][i] = tables[0][previous & 0xFF] ^ (previous >> 8);
        }
    }
    return tables;
}

constexpr std::array<Table, 8> kTables = MakeTables();

}  // namespace

std::uint32_t Crc32Uninverted(std::span<const std::uint8_t> bytes, std::uint32_t crc) {
    const std::uint8_t* at = bytes.data();
    std::size_t left = bytes.size();
    for (; left >= 8; at += 8, left -= 8) {
        const std::uint32_t low = crc ^ (std::uint32_t{at[0]} | std::uint32_t{at[1]} << 8 | std::uint32_t{at[2]} << 16 |
                                         std::uint32_t{at[3]} << 24);
        crc = kTables[7][low & 0xFF] ^ kTables[6][(low >> 8) & 0xFF] ^ kTables[5][(low >> 16) & 0xFF] ^
              kTables[4][low >> 24] ^ kTables[3][at[4]] ^ kTables[2][at[5]] ^ kTables[1][at[6]] ^ kTables[0][at[7]];
    }
    for (; left > 0; ++at, --left) crc = kTables[0][(crc ^ *at) & 0xFF] ^ (crc >> 8);
    return crc;
}

}  // namespace mailvane::io
