#include "engine/mapping/html_units.h"

namespace mailvane::mapping::html {

ByteCharacter ReadByteCharacter(std::string_view bytes, std::size_t i, const HtmlByteCharset& charset) {
    const auto at = [&](std::size_t k) -> unsigned {
        return i + k < bytes.size() ? static_cast<unsigned char>(bytes[i + k]) : 0;
    };
    const unsigned lead = at(0);
    if (!charset.utf8) return {{charset.upperHalf[lead - 0x80], 0}, 1, 1};
    // The length the lead byte gives and the range of the second byte that
    // rules out overlong forms, surrogates and code points past U+10FFFF.
    std::size_t length = 0;
    unsigned low = 0x80;
    unsigned high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    }
    bool valid = length != 0 && at(1) >= low && at(1) <= high;
    for (std::size_t k = 2; valid && k < length; ++k) valid = at(k) >= 0x80 && at(k) <= 0xBF;
    if (!valid) return {{0xFFFD, 0}, 1, 1};
    char32_t c = lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) c = (c << 6) | (at(k) & 0x3F);
    if (c < 0x10000) return {{static_cast<char16_t>(c), 0}, 1, length};
    c -= 0x10000;
    return {{static_cast<char16_t>(0xD800 + (c >> 10)), static_cast<char16_t>(0xDC00 + (c & 0x3FF))}, 2, length};
}

}  // namespace mailvane::mapping::html
