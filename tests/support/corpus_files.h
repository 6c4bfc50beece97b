#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace mailvane::testing {

// The shared corpus: MAILVANE_CORPUS, else ../shared/corpus beside the
// checkout. Tests skip when it holds no eml/.
inline std::filesystem::path CorpusDir() {
    const char* corpus = std::getenv("MAILVANE_CORPUS");
    if (corpus && *corpus) return corpus;
    return std::filesystem::path(MAILVANE_SOURCE_DIR) / ".." / "shared" / "corpus";
}

inline std::vector<std::uint8_t> ReadFileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace mailvane::testing
