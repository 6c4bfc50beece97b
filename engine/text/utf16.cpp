#include "engine/text/utf16.h"

namespace mailvane::text {

std::u16string WidenAscii(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (char c : text) {
        out += static_cast<char16_t>(static_cast<unsigned char>(c));
    }
    return out;
}

}  // namespace mailvane::text
