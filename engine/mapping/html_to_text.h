#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "engine/mapping/text_pieces.h"

namespace mailvane::mapping {

// Readable plain text for an HTML body: markup removed, script, style and
// head contents dropped, character references decoded, <br>, paragraphs,
// headings, list items and table rows turned into line breaks (CRLF),
// blanks collapsed outside <pre>.
std::u16string HtmlToText(std::u16string_view html);

// How the bytes of an HTML body at or above 0x80 are read: as UTF-8 (each
// sequence one character; a byte that starts no valid sequence U+FFFD), or
// each as the character a table gives (a single-byte charset whose lower
// half is ASCII). Such a byte is always text, never markup, whatever the
// table makes of it.
struct HtmlByteCharset {
    bool utf8 = true;
    std::array<char16_t, 128> upperHalf{};  // for bytes 0x80..0xFF when !utf8
};

// The most UTF-16 units a piece of text holds. A piece never ends between
// the two halves of a surrogate pair.
inline constexpr std::size_t kMaxTextPieceUnits = 16 * 1024;

// The same text as HtmlToText(decoded html), read straight from the bytes of
// an HTML body in such a charset, and handed over in pieces of at most
// kMaxTextPieceUnits as it is made: neither the decoded HTML nor the whole
// text is ever held. No piece is empty; an HTML body without text gives none.
void HtmlToText(std::string_view htmlBytes, const HtmlByteCharset& charset, const TextPieces& out);

// The same with pieces of at most `maxPieceUnits` (2 at the least, room for
// a surrogate pair), to see that the text does not depend on where it is cut.
void HtmlToText(std::string_view htmlBytes, const HtmlByteCharset& charset, const TextPieces& out,
                std::size_t maxPieceUnits);

}  // namespace mailvane::mapping
