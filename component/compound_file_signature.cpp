#include "component/compound_file_signature.h"

#include <windows.h>

#include "filing/compound_file_signature.h"
#include "win32/unique_handle.h"

namespace mailvane::component {

bool FileHasCompoundFileSignature(const std::wstring& path) noexcept {
    const win32::UniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                   nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) {
        return false;
    }
    std::uint8_t head[filing::kCompoundFileSignatureSize] = {};
    DWORD got = 0;
    return ReadFile(file.Get(), head, sizeof head, &got, nullptr) && filing::HasCompoundFileSignature(head, got);
}

}  // namespace mailvane::component
