#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace mailvane::charset {

struct DecodedText {
    std::u16string text;
    // True when the named charset was unknown or the bytes were not valid in
    // it, and the text came from the fallback (strict UTF-8, then windows-1252).
    bool usedFallback = false;
    // True when the text is in the named charset but some bytes could not
    // be read in it and stand as U+FFFD (a UTF-16 text cut in a character).
    bool replacedBytes = false;
};

// Decodes bytes labelled with a MIME charset name (any common alias, any
// case) to UTF-16. Never drops the text: unknown or undecodable input falls
// back to strict UTF-8 and then to windows-1252. An empty name means the
// caller knows nothing, which is decoded by the fallback rule without
// counting as a fallback when the bytes are plain ASCII or valid UTF-8.
// `room` asks for that many code units of capacity past the text, which
// the built-in decoders leave (UTF-8, US-ASCII, windows-1252 with
// ISO-8859-1, and the ISO-8859 charsets read by table), so that a caller
// can add to a large text without moving it.
DecodedText DecodeToUtf16(std::string_view bytes, std::string_view charsetName, std::size_t room = 0);

// Whether DecodeToUtf16 reads the bytes in the named charset (a known one)
// without a fallback or a replaced byte; for the charsets whose bytes all
// decode, and for UTF-8 and ASCII, without making the text.
bool DecodesCleanly(std::string_view bytes, std::string_view charsetName);

// How a charset's bytes can be read a piece at a time, cut anywhere but
// inside a UTF-8 sequence, each piece decoding alone as it does in the
// whole: every byte below 0x80 is the ASCII character, and no other
// character holds one. UTF-8 and US-ASCII read as UTF-8; windows-1252 with
// ISO-8859-1 and the ISO-8859 charsets read by table are single-byte.
enum class PieceReading { None, Utf8, SingleByte };
PieceReading PieceReadingOf(std::string_view charsetName);

// The charset read in pieces that text without a charset label decodes
// as, exactly as DecodeToUtf16 decodes it unlabelled: "utf-8" for strict
// UTF-8 (plain ASCII included) that does not plainly look like UTF-16;
// empty for any other text (UTF-16, or the windows-1252 fallback, which
// records no code page of its own and so is not the same as a label).
std::string_view UnlabelledPieceCharset(std::string_view bytes);

// Whether the bytes decode cleanly in a charset read in pieces.
bool DecodesInPieces(std::string_view bytes, std::string_view charsetName);

// The Windows code page number for a MIME charset name, 0 when unknown.
int CodePageForCharset(std::string_view charsetName);

}  // namespace mailvane::charset
