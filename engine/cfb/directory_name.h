#pragma once

#include <string_view>

namespace mailvane::cfb {

// A directory entry name this writer accepts: 1 to 31 code units of
// 0x01..0x7F without '/', '\\', ':' or '!'. Sibling order depends on an
// uppercase mapping; Windows' own table differs between versions outside
// ASCII, so names are kept to ASCII, where every version agrees.
bool IsValidDirectoryName(std::u16string_view name);

// Sibling order of a directory tree: shorter names first, equal lengths by
// uppercased code units. Negative, zero or positive like strcmp.
int CompareDirectoryNames(std::u16string_view a, std::u16string_view b);

}  // namespace mailvane::cfb
