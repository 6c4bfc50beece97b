#include "component/file_sink.h"

#include <algorithm>

namespace mailvane::component {

bool FileSink::Write(const std::uint8_t* data, std::size_t size) {
    while (error_ == ERROR_SUCCESS && size != 0) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 24));
        DWORD written = 0;
        if (!WriteFile(file_, data, chunk, &written, nullptr)) {
            error_ = GetLastError();
        } else if (written == 0) {
            error_ = ERROR_WRITE_FAULT;
        } else {
            data += written;
            size -= written;
        }
    }
    return error_ == ERROR_SUCCESS;
}

}  // namespace mailvane::component
