#include "component/source_file.h"

#include <algorithm>
#include <utility>

#include "win32/unique_handle.h"

namespace mailvane::component {

SourceFile ReadSourceFile(const std::wstring& path, FolderIdentities& folders, std::vector<std::uint8_t> room) {
    SourceFile source;
    source.bytes = std::move(room);
    source.bytes.clear();
    const win32::UniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                   nullptr, OPEN_EXISTING,
                                                   FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file.IsValid()) {
        source.error = GetLastError();
        return source;
    }
    const auto identity = folders.OfFileIn(file.Get(), path);
    LARGE_INTEGER size{};
    if (!identity || !GetFileSizeEx(file.Get(), &size)) {
        source.error = GetLastError();
        return source;
    }
    source.identity = *identity;
    if (static_cast<std::uint64_t>(size.QuadPart) > kLargestSource) {
        source.error = ERROR_FILE_TOO_LARGE;
        return source;
    }
    source.bytes.resize(static_cast<std::size_t>(size.QuadPart));
    std::size_t done = 0;
    while (done < source.bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(source.bytes.size() - done, 1u << 24));
        DWORD got = 0;
        if (!ReadFile(file.Get(), source.bytes.data() + done, chunk, &got, nullptr)) {
            source.error = GetLastError();
            source.bytes.clear();
            return source;
        }
        if (got == 0) {
            break;  // the file shrank while we read it; what is there is the source
        }
        done += got;
    }
    source.bytes.resize(done);
    return source;
}

}  // namespace mailvane::component
