#pragma once

#include <windows.h>

#include "engine/io/byte_sink.h"

namespace mailvane::component {

// Writes a message file's bytes to an open file handle it does not own.
// The first failing write is remembered and refuses every later one.
class FileSink final : public ByteSink {
public:
    explicit FileSink(HANDLE file) noexcept : m_file(file) {}
    bool Write(const std::uint8_t* data, std::size_t size) override;
    DWORD Error() const noexcept { return m_error; }

private:
    HANDLE m_file;
    DWORD m_error = ERROR_SUCCESS;
};

}  // namespace mailvane::component
