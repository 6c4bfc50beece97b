#include "engine/mapping/html_units.h"

#include "engine/text/utf16.h"
#include "engine/text/utf8.h"

namespace mailvane::mapping::html {

ByteCharacter ReadByteCharacter(std::string_view bytes, std::size_t i, const HtmlByteCharset& charset) {
    const auto at = [&](std::size_t k) -> unsigned {
        return i + k < bytes.size() ? static_cast<unsigned char>(bytes[i + k]) : 0;
    };
    const unsigned lead = at(0);
    if (!charset.utf8) return {{charset.upperHalf[lead - 0x80], 0}, 1, 1};
    char32_t c = 0;
    const std::size_t length = text::DecodeUtf8(bytes, i, c);
    if (length == 0) return {{0xFFFD, 0}, 1, 1};
    ByteCharacter character{{}, 0, length};
    character.unitCount = static_cast<std::size_t>(text::PutUtf16(character.units.data(), c) - character.units.data());
    return character;
}

}  // namespace mailvane::mapping::html
