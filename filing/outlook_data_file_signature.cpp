#include "filing/outlook_data_file_signature.h"

#include <algorithm>
#include <array>

#include "filing/source_file.h"

namespace mailvane::filing {

namespace {

constexpr std::array<std::uint8_t, kOutlookDataFileSignatureSize> kMagic = {'!', 'B', 'D', 'N'};

}  // namespace

bool HasOutlookDataFileSignature(const std::uint8_t* head, std::size_t size) noexcept {
    return size >= kMagic.size() && std::equal(kMagic.begin(), kMagic.end(), head);
}

bool IsOutlookDataFile(const std::filesystem::path& path) {
    // A regular file only: what became a pipe since it was looked at is
    // refused at once rather than waited on.
    SourceFile file;
    if (!file.Open(path, true)) return false;
    std::array<std::uint8_t, kOutlookDataFileSignatureSize> head{};
    std::size_t filled = 0;
    while (filled < head.size()) {
        std::size_t got = 0;
        if (!file.Read(head.data() + filled, head.size() - filled, got) || got == 0) break;
        filled += got;
    }
    return HasOutlookDataFileSignature(head.data(), filled);
}

}  // namespace mailvane::filing
