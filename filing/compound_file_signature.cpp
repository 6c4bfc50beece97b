#include "filing/compound_file_signature.h"

#include <algorithm>
#include <array>

#include "filing/source_file.h"

namespace mailvane::filing {

bool HasCompoundFileSignature(const std::uint8_t* head, std::size_t size) noexcept {
    return size >= cfb::kSignature.size() && std::equal(cfb::kSignature.begin(), cfb::kSignature.end(), head);
}

bool IsCompoundFile(const std::filesystem::path& path) {
    // A regular file only: what became a pipe since it was looked at is
    // refused at once rather than waited on.
    SourceFile file;
    if (!file.Open(path, true)) return false;
    std::array<std::uint8_t, kCompoundFileSignatureSize> head{};
    std::size_t filled = 0;
    while (filled < head.size()) {
        std::size_t got = 0;
        if (!file.Read(head.data() + filled, head.size() - filled, got) || got == 0) break;
        filled += got;
    }
    return HasCompoundFileSignature(head.data(), filled);
}

}  // namespace mailvane::filing
