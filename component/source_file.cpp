#include "component/source_file.h"

#include <filesystem>
#include <utility>

#include "filing/source_file.h"

namespace mailvane::component {

SourceFile ReadSourceFile(const std::wstring& path, FolderIdentities& folders, std::vector<std::uint8_t> room) {
    SourceFile source;
    source.bytes = std::move(room);
    source.bytes.clear();
    filing::SourceFile file;
    if (!file.Open(std::filesystem::path(path))) {
        source.error = file.SystemError();
        return source;
    }
    const auto identity = folders.OfFileIn(reinterpret_cast<HANDLE>(file.NativeHandle()), path);
    if (!identity) {
        source.error = GetLastError();
        return source;
    }
    source.identity = *identity;
    const auto bytes = filing::ReadWholeFile(file, filing::kLargestSource, source.bytes);
    if (!bytes) {
        source.error = file.TooLarge() ? ERROR_FILE_TOO_LARGE : file.SystemError();
        source.bytes.clear();
        return source;
    }
    source.bytes.resize(bytes->size());
    return source;
}

}  // namespace mailvane::component
