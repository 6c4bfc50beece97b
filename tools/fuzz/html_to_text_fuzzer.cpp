// HTML to text read straight from bytes against the same read from decoded
// text: as UTF-8 against each valid sequence decoded by the charset decoder
// and every other byte as U+FFFD, and as ISO-8859-1 through a table against
// each byte taken as its code point. Pieces are checked against their bound,
// the one the engine uses and a small one the first byte picks.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "engine/charset/builtin_decoders.h"
#include "engine/mapping/html_to_text.h"

namespace {

[[noreturn]] void Violated(const char* what) {
    std::fprintf(stderr, "invariant violated: %s\n", what);
    std::abort();
}

// The bytes as UTF-8, each byte that starts no valid sequence U+FFFD. A
// sequence is valid where the strict decoder reads it; a blank before it
// keeps a byte order mark from being dropped as one.
std::u16string ReadAsUtf8(std::string_view bytes) {
    std::u16string text;
    for (std::size_t i = 0; i < bytes.size();) {
        if (static_cast<unsigned char>(bytes[i]) < 0x80) {
            text += static_cast<char16_t>(bytes[i++]);
            continue;
        }
        std::optional<std::u16string> character;
        std::size_t length = 2;
        for (; length <= 4 && i + length <= bytes.size(); ++length) {
            character = mailvane::charset::DecodeUtf8Strict(" " + std::string(bytes.substr(i, length)));
            if (character) break;
        }
        if (character) {
            text += character->substr(1);
            i += length;
        } else {
            text += u'\uFFFD';
            ++i;
        }
    }
    return text;
}

std::u16string Converted(std::string_view bytes, const mailvane::mapping::HtmlByteCharset& charset,
                         std::size_t maxPieceUnits) {
    std::u16string text;
    mailvane::mapping::HtmlToText(
        bytes, charset,
        [&](std::u16string_view piece) {
            if (piece.empty()) Violated("an empty piece");
            if (piece.size() > maxPieceUnits) Violated("a piece over its bound");
            text += piece;
        },
        maxPieceUnits);
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::size_t smallPieces = size == 0 ? 2 : 2 + data[0] % 16;

    const mailvane::mapping::HtmlByteCharset utf8;
    const std::u16string fromUtf16 = mailvane::mapping::HtmlToText(ReadAsUtf8(bytes));
    if (Converted(bytes, utf8, mailvane::mapping::kMaxTextPieceUnits) != fromUtf16) {
        Violated("UTF-8 bytes and their UTF-16 differ");
    }
    if (Converted(bytes, utf8, smallPieces) != fromUtf16) Violated("UTF-8 text depends on its pieces");

    mailvane::mapping::HtmlByteCharset latin1{.utf8 = false};
    for (std::size_t i = 0; i < latin1.upperHalf.size(); ++i) latin1.upperHalf[i] = static_cast<char16_t>(0x80 + i);
    std::u16string widened(size, u'\0');
    for (std::size_t i = 0; i < size; ++i) widened[i] = data[i];
    const std::u16string fromLatin1 = mailvane::mapping::HtmlToText(widened);
    if (Converted(bytes, latin1, mailvane::mapping::kMaxTextPieceUnits) != fromLatin1) {
        Violated("ISO-8859-1 bytes and their UTF-16 differ");
    }
    if (Converted(bytes, latin1, smallPieces) != fromLatin1) Violated("ISO-8859-1 text depends on its pieces");
    return 0;
}
