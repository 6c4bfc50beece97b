#include "component/file_sink.h"

#include <algorithm>

namespace mailvane::component {

bool FileSink::Write(const std::uint8_t* data, std::size_t size) {
    while (m_error == ERROR_SUCCESS && size != 0) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 24));
        DWORD written = 0;
        if (!WriteFile(m_file, data, chunk, &written, nullptr)) {
            m_error = GetLastError();
        } else if (written == 0) {
            m_error = ERROR_WRITE_FAULT;
        } else {
            data += written;
            size -= written;
        }
    }
    return m_error == ERROR_SUCCESS;
}

}  // namespace mailvane::component
