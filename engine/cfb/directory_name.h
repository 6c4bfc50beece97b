#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/cfb/cfb_constants.h"

namespace mailvane::cfb {

// The name of a storage or stream, held in place: a message file has dozens
// of streams, and their names take no allocation. A text longer than any
// valid name keeps its first kMaxNameLength + 1 code units, which the name
// check still refuses.
class DirectoryName {
public:
    DirectoryName() = default;
    DirectoryName(std::u16string_view text) { Append(text); }
    DirectoryName(const char16_t* text) : DirectoryName(std::u16string_view(text)) {}
    DirectoryName(const std::u16string& text) : DirectoryName(std::u16string_view(text)) {}

    DirectoryName& Append(std::u16string_view text) {
        const std::size_t taken = std::min(text.size(), m_units.size() - m_size);
        std::copy_n(text.data(), taken, m_units.data() + m_size);
        m_size = static_cast<std::uint8_t>(m_size + taken);
        return *this;
    }

    std::size_t size() const { return m_size; }
    // The code units followed by zeros, filling the name's whole room: for a
    // valid name, exactly the name field of its directory entry.
    std::u16string_view Padded() const { return {m_units.data(), m_units.size()}; }
    char16_t operator[](std::size_t i) const { return m_units[i]; }
    operator std::u16string_view() const { return {m_units.data(), m_size}; }

private:
    std::array<char16_t, kMaxNameLength + 1> m_units{};
    std::uint8_t m_size = 0;
};

// A directory entry name this writer accepts: 1 to 31 code units of
// 0x01..0x7F without '/', '\\', ':' or '!'. Sibling order depends on an
// uppercase mapping; Windows' own table differs between versions outside
// ASCII, so names are kept to ASCII, where every version agrees.
bool IsValidDirectoryName(const DirectoryName& name);

// Sibling order of a directory tree: shorter names first, equal lengths by
// uppercased code units. Negative, zero or positive like strcmp.
int CompareDirectoryNames(std::u16string_view a, std::u16string_view b);

}  // namespace mailvane::cfb
