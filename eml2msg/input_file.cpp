#include "eml2msg/input_file.h"

namespace mailvane::cli {

std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::filesystem::path& path, std::uint64_t limit,
                                                       std::string& error) {
    InputFile file;
    if (!file.Open(path)) {
        error = file.Error();
        return std::nullopt;
    }
    const std::optional<std::uint64_t> size = file.Size();
    if (size && *size > limit) {
        error = "larger than " + std::to_string(limit >> 20) + " MiB";
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes;
    bytes.reserve(static_cast<std::size_t>(size.value_or(0)));
    constexpr std::size_t kChunk = 1 << 20;
    for (;;) {
        const std::size_t before = bytes.size();
        bytes.resize(before + kChunk);
        std::size_t got = 0;
        if (!file.Read(bytes.data() + before, kChunk, got)) {
            error = file.Error();
            return std::nullopt;
        }
        bytes.resize(before + got);
        if (got == 0) return bytes;
        if (bytes.size() > limit) {
            error = "larger than " + std::to_string(limit >> 20) + " MiB";
            return std::nullopt;
        }
    }
}

}  // namespace mailvane::cli
