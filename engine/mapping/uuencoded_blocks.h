#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace mailvane::mapping {

struct UuencodedFile {
    std::u16string name;
    std::vector<std::uint8_t> data;
};

// Takes the uuencoded blocks ("begin <mode> <name>" ... "end") out of a
// plain-text body: `text` keeps everything else, the files come back in
// order. A block without its "end" line stays in the text.
std::vector<UuencodedFile> ExtractUuencodedBlocks(std::u16string& text);

}  // namespace mailvane::mapping
