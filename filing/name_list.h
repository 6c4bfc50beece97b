#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/io/byte_input.h"

namespace mailvane::filing {

// The names of a --files-from list, read as they are needed, so that a list
// of any length streams: one name per line, or (with NUL separation) names
// ended by NUL bytes, which lets a name hold any byte, line ends included.
// A line's CR before its LF is no part of the name (lists written on
// Windows); empty names are skipped.
class NameList {
public:
    enum class Separator { LineEnd, Nul };

    // `size` is the list's size when it is a regular file, for HandedOut.
    NameList(ByteInput& source, Separator separator, std::optional<std::uint64_t> size);
    // The next name; false at the end, or on a read error (Error()).
    bool Next(std::string& name);
    std::optional<double> HandedOut() const;
    const std::string& Error() const { return m_error; }

private:
    bool Fill();
    ByteInput& m_source;
    char m_separator;
    std::optional<std::uint64_t> m_size;
    std::vector<std::uint8_t> m_buffer;
    std::size_t m_begin = 0;
    std::size_t m_end = 0;
    std::uint64_t m_consumed = 0;
    bool m_atEnd = false;
    std::string m_error;
};

}  // namespace mailvane::filing
